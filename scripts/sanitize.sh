#!/usr/bin/env bash
# Sanitizer build: address and undefined-behaviour sanitizers on every target,
# then the whole test suite (under Xvfb when there is no display), then the
# soak (scripts/soak.sh). Any sanitizer report fails the run.
#   scripts/sanitize.sh [builddir] [soak levels]     (default build-asan)
# SANITIZE_SKIP_TESTS=1 or SANITIZE_SKIP_SOAK=1 leave a step out.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD=${1:-$ROOT/build-asan}
SOAK_LEVELS=${2:-}
case "$BUILD" in /*) ;; *) BUILD=$ROOT/$BUILD ;; esac

# Every report is fatal and carries a full stack. Leak checking stays on for
# everything that runs without GL; the suppression file only names third-party
# libraries. The GL tests run with leak checking off: the software driver's
# allocations can only be told apart with the slow unwinder on every malloc,
# and that deadlocks inside the driver's JIT (libgcc's unwinder lock taken
# twice). Address and undefined-behaviour errors stay fatal there too.
ASAN_BASE="halt_on_error=1:print_stacktrace=1:detect_stack_use_after_return=1:check_initialization_order=1"
export ASAN_OPTIONS="$ASAN_BASE:detect_leaks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:report_error_type=1"
export LSAN_OPTIONS="suppressions=$ROOT/tests/sanitizers/lsan.supp:print_suppressions=0"

stamp() { date +%s; }
t0=$(stamp)
if [ ! -f "$BUILD/build.ninja" ]; then
  cmake -S . -B "$BUILD" -G Ninja -DIFOLD_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$BUILD" -j2
t1=$(stamp)
echo "sanitize.sh: build took $((t1 - t0)) s"

status=0
if [ -z "${SANITIZE_SKIP_TESTS:-}" ]; then
  cd "$BUILD"
  ctest_cmd=(ctest --output-on-failure --timeout 900 -j 2)
  "${ctest_cmd[@]}" -LE gl || status=1
  t_plain=$(stamp)
  echo "sanitize.sh: tests without GL took $((t_plain - t1)) s"
  gl_cmd=(env "ASAN_OPTIONS=$ASAN_BASE:detect_leaks=0" "${ctest_cmd[@]}" -L gl)
  if [ -z "${DISPLAY:-}" ]; then
    xvfb-run -a -s "-screen 0 1920x1440x24" "${gl_cmd[@]}" || status=1
  else
    "${gl_cmd[@]}" || status=1
  fi
  cd "$ROOT"
  t2=$(stamp)
  echo "sanitize.sh: tests took $((t2 - t1)) s"
else
  t2=$t1
fi

if [ -z "${SANITIZE_SKIP_SOAK:-}" ]; then
  bash scripts/soak.sh "$BUILD" $SOAK_LEVELS || status=1
  echo "sanitize.sh: soak took $(($(stamp) - t2)) s"
fi

[ $status -eq 0 ] && echo "sanitize.sh: clean" || echo "sanitize.sh: FAILED" >&2
exit $status
