#!/usr/bin/env bash
# Soak run (not part of CI): scripted play through both levels, with a loss in each, for
# SOAK_SECONDS (default 600) under AddressSanitizer and UndefinedBehaviorSanitizer with the GL
# debug callback on (build-soak/). Prints resident memory and the GL error count every ~30 s and
# whether memory stayed flat after the first minute. SOAK_RENDER_EVERY (default 8): one frame in
# that many is drawn. Fails on a sanitizer report, a GL error or growing memory.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-soak
"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRINDLEMOX_SANITIZE=ON \
  -DBRINDLEMOX_GL_DEBUG=ON -DBRINDLEMOX_TESTS=OFF >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target brindlemox_soak
export MESA_SHADER_CACHE_DIR=$(mktemp -d)
trap 'rm -rf "$MESA_SHADER_CACHE_DIR"' EXIT
# A smaller quarantine than ASan's 256 MB default, so that freed memory held back for
# use-after-free checks stops growing within the first minute instead of looking like a leak.
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:quarantine_size_mb=32}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
if [ -f "$root/tests/lsan.supp" ]; then
  export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/tests/lsan.supp}
fi
cd "$build/data"
xvfb-run -a -s "-screen 0 1920x1080x24" \
  "$build/tools/soak/brindlemox_soak" "$root/tests/routes" "${SOAK_SECONDS:-600}" \
  "${SOAK_RENDER_EVERY:-8}"
