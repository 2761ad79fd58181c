#!/usr/bin/env bash
# Sets up, builds and starts the game. Without a display it runs under Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
cd "$root/data"
if [ -n "${DISPLAY:-}" ]; then
  exec "$root/build/brindlemox"
else
  echo "No display: running under Xvfb"
  exec xvfb-run -a -s "-screen 0 1920x1080x24" "$root/build/brindlemox"
fi
