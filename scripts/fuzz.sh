#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address and undefined-behaviour
# sanitizers) and runs each one in turn for the given number of seconds
# (default 60), one process at a time, seeded from the test data.
#   scripts/fuzz.sh [seconds] [target...]     targets: b3d image (default both)
# Crashes land in build-fuzz/artifacts/; the grown corpora stay in
# build-fuzz/corpus/<target> for the next run.
set -euo pipefail
cd "$(dirname "$0")/.."

SECONDS_EACH=${1:-60}
shift || true
TARGETS=("$@")
[ ${#TARGETS[@]} -eq 0 ] && TARGETS=(b3d image)
BUILD=${IFOLD_FUZZ_BUILD:-build-fuzz}

if ! command -v clang++ >/dev/null; then
  echo "fuzz.sh: clang++ not found (Debian: apt-get install clang libclang-rt-dev)" >&2
  exit 1
fi

if [ ! -f "$BUILD/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DIFOLD_FUZZ=ON -DIFOLD_TESTS=OFF >/dev/null
fi
cmake --build "$BUILD" --target $(printf 'fuzz_%s ' "${TARGETS[@]}") -j2

DATA=tests/data/thirdparty
mkdir -p "$BUILD/artifacts"
for t in "${TARGETS[@]}"; do
  corpus="$BUILD/corpus/$t"
  seeds="$BUILD/seeds/$t"
  mkdir -p "$corpus" "$seeds"
  case "$t" in
    b3d)
      maxlen=160000
      cp -f "$DATA"/b3d/*.b3d "$seeds"/
      [ -d build/data/models ] && cp -f build/data/models/*.b3d "$seeds"/ 2>/dev/null || true
      ;;
    image)
      maxlen=65536
      # The first byte picks the name the decoder sees: odd = "fuzz.tga".
      for f in "$DATA"/png/*.png "$DATA"/bmp/*.bmp "$DATA"/bmp/*.png "$DATA"/tga/*.png; do
        { printf '\x00'; cat "$f"; } >"$seeds/$(basename "$f")"
      done
      for f in "$DATA"/tga/*.tga; do
        { printf '\x01'; cat "$f"; } >"$seeds/$(basename "$f")"
      done
      ;;
  esac
  echo "== fuzz_$t for ${SECONDS_EACH}s"
  "$BUILD/bin/fuzz_$t" "$corpus" "$seeds" -dict="fuzz/$t.dict" -max_total_time="$SECONDS_EACH" \
    -max_len="$maxlen" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$BUILD/artifacts/${t}-" 2>&1 | tee "$BUILD/fuzz_$t.log" | grep -E "^#[0-9]+ +(INITED|DONE|pulse)|ERROR|SUMMARY|stat::number_of_executed_units|Done" || true
  if grep -q "ERROR: libFuzzer\|ERROR: AddressSanitizer\|runtime error" "$BUILD/fuzz_$t.log"; then
    echo "fuzz_$t found a problem; see $BUILD/fuzz_$t.log and $BUILD/artifacts/" >&2
    exit 1
  fi
done
