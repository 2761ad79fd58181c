#!/usr/bin/env bash
# Sets up, builds the player's build (build-game/: the game and its data only, optimised) and
# starts the game, which finds its data beside the binary. Extra arguments go to the game
# (./scripts/play.sh --level 2). Without a display it runs invisibly under Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-game}
"$root/scripts/setup.sh"
BUILD_DIR=$build "$root/scripts/build.sh"
if [ -n "${DISPLAY:-}" ]; then
  exec "$build/brindlemox" "$@"
else
  echo "No display: the game runs invisibly under Xvfb, where nothing can be seen and no key or"
  echo "mouse reaches it. Stop it with Ctrl+C. (With a desktop, run this from a terminal in it.)"
  exec xvfb-run -a -s "-screen 0 1920x1080x24" "$build/brindlemox" "$@"
fi
