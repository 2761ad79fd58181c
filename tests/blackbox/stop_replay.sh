#!/usr/bin/env bash
# Escape pressed in the game's window ends a replay or a timedemo: the state line, a line saying
# it was stopped, exit code 1. Run on an X server of its own (own_display.sh), so the key reaches
# the game's window.
#   stop_replay.sh GAME_BINARY DEMO
set -euo pipefail
game=$(realpath "$1")
demo=$(realpath "$2")
work=$(mktemp -d)
pid=""
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

for option in --replay --timedemo; do
  for attempt in 1 2; do
    (cd "$work" && exec "$game" "$option" "$demo" >"$work/stdout" 2>"$work/stderr" </dev/null) &
    pid=$!
    # A fresh server has now and then refused the game's very first connection; the game says
    # why on standard error. Once more, then, but said. Until the window shows or the game ends:
    started=$((SECONDS + 300))
    while kill -0 "$pid" 2>/dev/null && [ "$SECONDS" -lt "$started" ] &&
      [ -z "$(xdotool search --name '^Brindlemox$' 2>/dev/null | head -n 1 || true)" ]; do
      sleep 0.1
    done
    if [ "$attempt" = 1 ] && ! kill -0 "$pid" 2>/dev/null &&
      grep -q '^Failed to initialize glfw' "$work/stdout"; then
      wait "$pid" || true
      echo "note: $option: the display refused the game at first: $(cat "$work/stderr")"
      continue
    fi
    break
  done
  # Escape, again and again, until the game ends (bounded): the window may not take keys at once.
  deadline=$((SECONDS + 300))
  while kill -0 "$pid" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do
    window=$(xdotool search --name '^Brindlemox$' 2>/dev/null | head -n 1 || true)
    if [ -n "$window" ]; then
      xdotool windowfocus "$window" 2>/dev/null || true
      xdotool key --window "$window" Escape 2>/dev/null || true
      xdotool key Escape 2>/dev/null || true
    fi
    sleep 0.2
  done
  code=0
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid"
    fail "$option: still running after Escape"
  fi
  wait "$pid" || code=$?
  pid=""
  [ "$code" -eq 1 ] || fail "$option: exit code $code, expected 1"
  grep -q '^state level=1 ' "$work/stdout" || fail "$option: no state line: $(cat "$work/stdout")"
  grep -qE '^The replay was stopped with Escape at frame [0-9]+ of [0-9]+$' "$work/stderr" ||
    fail "$option: no line saying it was stopped: $(cat "$work/stderr")"
  echo "$option: exit $code, $(grep '^The replay was stopped' "$work/stderr" || true)"
done
[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "all checks passed"
