#!/usr/bin/env bash
# Renders every model of the data tree as the game shows it (its scale, its
# texture, seen from straight above and from the 60-degree tilted camera in the
# south) and puts the pictures on one contact sheet.
#   tools/assetgen/review_models.sh BUILD_DIR OUT.png [theme: plain|winter]
set -euo pipefail
build=${1:?build dir}
out=${2:?output png}
theme=${3:-plain}
viewer="$build/bin/ironfold-viewer"
data="$build/data"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
w() { [ "$theme" = winter ] && echo "$1" || echo "$2"; }

# file | scale | texture | yaw offset (the player tank's mesh is turned 180 by the game)
models=(
  "t-34c.b3d|0.08,0.081,0.081|t34-08-128-3.tga|180"
  "t-34c.b3d|0.08,0.081,0.081|t34-08-128-3r.tga|180"
  "stug-081.b3d|0.047,0.047,0.037|$(w stug-08-01w.tga stug-08-01.tga)|0"
  "hetcer-08.b3d|0.067,0.07,0.053|$(w hetcer-128w.tga hetcer-128.tga)|0"
  "tiger-08b.b3d|0.095,0.07,0.073|$(w tigr-08-1w.tga tigr-08-1.tga)|0"
  "elefant-08-01.b3d|0.11,0.08,0.085|$(w elephant-128w.tga elephant-128.tga)|0"
  "dot.b3d|0.21,0.21,0.21|dot.tga|0"
  "dot.b3d|0.21,0.21,0.21|dotd.tga|0"
  "iblock.b3d|0.03,0.02,0.03||0"
  "bunker.b3d|0.2,0.2,0.2||0"
  "kust00.b3d|0.2,0.2,0.2||0"
  "kust01.b3d|0.2,0.2,0.2||0"
  "shell.b3d|0.04,0.04,0.05||0"
  "cross.b3d|0.05,0.05,0.05||0"
  "sv.b3d|0.1,0.1,0.1||0"
  "rstar2.b3d|0.075,0.055,0.075||0"
  "bonusstar.b3d|0.08,0.08,0.08||0"
  "bonustime.b3d|0.08,0.08,0.08||0"
  "bonuslife.b3d|0.08,0.08,0.08||0"
  "bonusbomb.b3d|0.08,0.08,0.08||0"
  "bonusstab.b3d|0.08,0.08,0.08||0"
  "bonusgod.b3d|0.08,0.08,0.08||0"
  "101.b3d|0.05,0.05,0.05||0"
  "501.b3d|0.05,0.05,0.05||0"
  "pwup.b3d|0.05,0.05,0.05||0"
  "life.b3d|0.05,0.05,0.05||0"
  "ecran7e.b3d|0.043,0.042,0.04||0"
  "arcompas.b3d|0.045,0.02,0.072||0"
  "help1b.b3d|0.1,0.1,0.1||0"
  "help2b.b3d|0.1,0.1,0.1||0"
  "ograda3.b3d|1,1,1||0"
  "plane.b3d|1,1,1|../tex/tmost.jpg|0"
)
pics=()
i=0
for m in "${models[@]}"; do
  IFS='|' read -r file scl tex yaw <<<"$m"
  args=("$data/models/$file" --scale "$scl" --size 320x240 --quiet)
  [ -n "$tex" ] && args+=(--texture "$data/models/$tex")
  for view in top tilt; do
    if [ $view = top ]; then p=90; y=$yaw; else p=60; y=$yaw; fi
    pic="$tmp/$(printf %02d $i)_${file%.b3d}_${view}.png"
    xvfb-run -a -s "-screen 0 1024x768x24" "$viewer" "${args[@]}" --pitch $p --yaw $y --out "$pic" >/dev/null
    pics+=("$pic")
  done
  i=$((i + 1))
done
# the banners are read from -z before the game pitches them up
for f in vic.b3d def.b3d; do
  pic="$tmp/$(printf %02d $i)_${f%.b3d}.png"
  xvfb-run -a -s "-screen 0 1024x768x24" "$viewer" "$data/models/$f" --size 320x240 --pitch 0 --yaw 0 --quiet --out "$pic" >/dev/null
  pics+=("$pic")
  i=$((i + 1))
done
xvfb-run -a -s "-screen 0 1024x768x24" "$viewer" --sheet "$out" --columns 8 --size 320x240 --quiet "${pics[@]}" >/dev/null
echo "wrote $out"
