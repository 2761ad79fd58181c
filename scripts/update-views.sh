#!/usr/bin/env bash
# Regenerates the reference views (tests/reference/views) and the gallery (docs/gallery,
# docs/GALLERY.md) from the game as it draws now, after an intended change to the picture. Every
# view must still show what it should (the test's pixel facts) for its picture to be kept. Review
# the diff of both folders like code.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
"$root/scripts/setup.sh"
# The test build, as scripts/test.sh makes it.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRINDLEMOX_TESTS=ON \
  -DBRINDLEMOX_GL_DEBUG=ON >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target reference_views_tests >/dev/null
export MESA_SHADER_CACHE_DIR=$(mktemp -d)
trap 'rm -rf "$MESA_SHADER_CACHE_DIR"' EXIT
BRINDLEMOX_UPDATE_VIEWS=1 xvfb-run -a -s "-screen 0 1920x1080x24" \
  "$build/tests/reference_views_tests" "$@"
git -C "$root" status --short tests/reference/views docs/gallery docs/GALLERY.md
