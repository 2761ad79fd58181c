#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/) and runs
# the test suite under its own Xvfb. Any sanitizer report fails the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRINDLEMOX_SANITIZE=ON \
  -DBRINDLEMOX_TESTS=ON -DBRINDLEMOX_GL_DEBUG=ON >/dev/null
cmake --build "$root/build-asan" -j"${JOBS:-2}"
export MESA_SHADER_CACHE_DIR=$(mktemp -d)
trap 'rm -rf "$MESA_SHADER_CACHE_DIR"' EXIT
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/tests/lsan.supp}
# Leak checking stops every thread at exit; with the software GL driver's worker threads alive it
# sometimes crashes itself, so it runs on the pure-logic tests only. Memory errors and undefined
# behaviour are checked everywhere. The black-box and crowd runs are left to the plain build: they
# judge the game by wall-clock timing and peak memory, which the sanitizers upset. So is the sound
# check, four whole demos of the real binary: the listener tests of gl_tests run the same sound
# code here.
ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1} \
  ctest --test-dir "$root/build-asan" --output-on-failure --no-tests=error -R '^unit_tests$'
ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=0} xvfb-run -a -s "-screen 0 1920x1080x24" \
  ctest --test-dir "$root/build-asan" --output-on-failure --no-tests=error -E '^(unit_tests|blackbox|crowds|sound_check)$'
