#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite under its own Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
export MESA_SHADER_CACHE_DIR=$(mktemp -d)
trap 'rm -rf "$MESA_SHADER_CACHE_DIR"' EXIT
xvfb-run -a -s "-screen 0 1920x1080x24" \
  ctest --test-dir "$root/build" --output-on-failure --no-tests=error "$@"
