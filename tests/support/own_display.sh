#!/usr/bin/env bash
# Runs a command on an X server of its own (1920 x 1080 unless --screen says otherwise), on a
# display number the server picks once it is listening, so no other server, test window or stale
# socket can be in the way.
#   own_display.sh [--screen WIDTHxHEIGHT] COMMAND [ARGS...]
set -euo pipefail
screen=1920x1080
if [ "${1:-}" = --screen ]; then
  screen=$2
  shift 2
fi
numberfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp 3>"$numberfile" 2>/dev/null &
xvfb=$!
for _ in $(seq 1 300); do
  [ -s "$numberfile" ] && break
  kill -0 "$xvfb" 2>/dev/null || break
  sleep 0.1
done
number=$(head -n 1 "$numberfile")
rm -f "$numberfile"
if [ -z "$number" ]; then
  echo "FAIL: Xvfb did not start"
  kill "$xvfb" 2>/dev/null || true
  exit 1
fi
export DISPLAY=:$number
unset XAUTHORITY
# The number is written once the server listens; on a busy machine its first client can still be
# turned away, so the command starts once the server answers.
for _ in $(seq 1 300); do
  xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done
code=0
"$@" || code=$?
kill "$xvfb" 2>/dev/null || true
wait "$xvfb" 2>/dev/null || true
exit "$code"
