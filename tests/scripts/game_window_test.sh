#!/usr/bin/env bash
# The real game binary as a new player meets it: first start writes the
# default "config.cfg" and opens an 800x600 window with the game's title; the
# next start reads the file back (here changed to 1024x768); a close request
# from the window manager ends the program with status 0.
set -euo pipefail
BIN=$1
HERE=$(cd "$(dirname "$0")" && pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"

fail() { echo "FAIL: $*"; exit 1; }

start_and_close() {  # expected WxH
  "$BIN" > game.log 2>&1 &
  local pid=$! wid="" i
  for i in $(seq 1 100); do
    wid=$(xdotool search --name '^Ironfold - Linux version 1\.10$' 2>/dev/null | head -1 || true)
    [ -n "$wid" ] && break
    sleep 0.1
  done
  [ -n "$wid" ] || { cat game.log; fail "no window titled 'Ironfold - Linux version 1.10'"; }
  local geom
  geom=$(xdotool getwindowgeometry "$wid" | awk '/Geometry/ {print $2}')
  [ "$geom" = "$1" ] || fail "window is $geom, expected $1"
  sleep 0.3
  /usr/bin/python3 "$HERE/../../scripts/x11_close.py" "$wid"
  for i in $(seq 1 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then kill "$pid"; fail "still running after the close request"; fi
  local status=0
  wait "$pid" || status=$?
  [ "$status" -eq 0 ] || { cat game.log; fail "exit status $status"; }
}

start_and_close 800x600
[ -f config.cfg ] || fail "no config.cfg written"
printf 'WightScr=0800\r\nHighScr=0600\r\nColorbits=32\r\nFullScr=2\r\nVmode=2\r\nAntialias=0\r\nDot3=1\r\nSvol=20\r\nMvol=20\r\nShowhelp=1\r\nShowFPS=0\r\n' > expected.cfg
cmp -s config.cfg expected.cfg || fail "default config.cfg differs: $(od -c config.cfg | head -5)"

sed -i 's/WightScr=0800/WightScr=1024/; s/HighScr=0600/HighScr=0768/' config.cfg
start_and_close 1024x768
grep -q 'WightScr=1024' config.cfg || fail "config.cfg was rewritten"
echo "game window test passed"
