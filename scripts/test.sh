#!/usr/bin/env bash
# Sets up, builds the test build (build/: the tests, and the game with the GL debug callback that
# makes any GL error fail a test) and runs the whole test suite under its own Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRINDLEMOX_TESTS=ON \
  -DBRINDLEMOX_GL_DEBUG=ON >/dev/null
cmake --build "$build" -j"${JOBS:-2}"
export MESA_SHADER_CACHE_DIR=$(mktemp -d)
trap 'rm -rf "$MESA_SHADER_CACHE_DIR"' EXIT
xvfb-run -a -s "-screen 0 1920x1080x24" \
  ctest --test-dir "$build" --output-on-failure --no-tests=error "$@"
