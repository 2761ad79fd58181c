#!/usr/bin/env bash
# The player's build, into build-game/: optimised, without the tests and so without the GL debug
# context and its error record. Extra arguments go to CMake's configure step; CONFIGURE_ONLY=1
# stops after configuring. The test build is scripts/test.sh's (build/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-game}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-Release} \
  -DBRINDLEMOX_TESTS=OFF -DBRINDLEMOX_GL_DEBUG=OFF "$@" >/dev/null
[ "${CONFIGURE_ONLY:-0}" = 1 ] && exit 0
cmake --build "$build" -j"${JOBS:-2}"
