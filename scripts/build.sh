#!/usr/bin/env bash
# The player's build, into build-game/: the game and its data (the generated models, images,
# icons and font in build-game/data) and the level builder, optimised and hardened, without the
# tests and so without the GL debug context and its error record. Extra arguments go to CMake's configure step; CONFIGURE_ONLY=1
# stops after configuring. The test build is scripts/test.sh's (build/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-game}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-Release} \
  -DBRINDLEMOX_TESTS=OFF -DBRINDLEMOX_GL_DEBUG=OFF "$@" >/dev/null
[ "${CONFIGURE_ONLY:-0}" = 1 ] && exit 0
# What cmake --install installs (the game, its data, the level builder, the manual pages): not
# the asset checker, the shader check, the benchmark or the soak.
cmake --build "$build" -j"${JOBS:-2}" --target installable
