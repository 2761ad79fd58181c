#!/usr/bin/env bash
# Sets up, builds the player's build and starts the game. Without a display it runs under Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-game}
"$root/scripts/setup.sh"
BUILD_DIR=$build "$root/scripts/build.sh"
cd "$root/data"
if [ -n "${DISPLAY:-}" ]; then
  exec "$build/brindlemox"
else
  echo "No display: running under Xvfb"
  exec xvfb-run -a -s "-screen 0 1920x1080x24" "$build/brindlemox"
fi
