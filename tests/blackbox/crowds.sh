#!/usr/bin/env bash
# Crowds at the level file's bounds, stacked on one spot, played by the real binary: the peak
# resident memory stays under 1 GB and Escape, once the level shows, ends the game within 2 s.
# Run on an X server of its own (own_display.sh), so the key reaches the game's window.
#   crowds.sh GAME_BINARY DATA_DIR
set -euo pipefail
game=$(realpath "$1")
data=$(realpath "$2")
work=$(mktemp -d)
pid=""
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
MaxKilobytes=1000000
MaxEscapeSeconds=2

# name, then "COUNT LINE" groups: the objects besides the map (the bounds: 2000 objects, 1000
# enemies), all where the first of each kind stands in Level 1.
cases=(
  "walls|1999 wall -8 0 0"
  "plain walls|1999 plainwall 16 -48 16 3"
  "enemies and walls|1000 enemy 8 6 0 x|999 wall -8 0 0"
)

for row in "${cases[@]}"; do
  IFS='|' read -r -a parts <<<"$row"
  name=${parts[0]}
  level=$work/crowd.txt
  { echo "title Crowd"; echo "spawn 0 8 0 90 0"; echo "map Obj/level1.2.obj"; echo "light 16 8 0"; } >"$level"
  for group in "${parts[@]:1}"; do
    read -r count line <<<"$group"
    for _ in $(seq "$count"); do echo "$line"; done >>"$level"
  done

  (cd "$data" && exec /usr/bin/time -v -o "$work/time" "$game" --mute --level-file "$level" \
    >"$work/stdout" 2>"$work/stderr" </dev/null) &
  pid=$!
  # Playing: the window is there and shows more than one colour (generous for a busy machine).
  window=""
  deadline=$((SECONDS + 300))
  while kill -0 "$pid" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do
    window=$(xdotool search --name '^Brindlemox$' 2>/dev/null | head -n 1 || true)
    if [ -n "$window" ] && import -window "$window" "$work/shot.png" 2>/dev/null &&
      [ "$(convert "$work/shot.png" -format '%k' info:)" -gt 1 ]; then
      break
    fi
    window=""
    sleep 0.5
  done
  if [ -z "$window" ]; then
    fail "$name: no picture: $(tail -n 3 "$work/stdout" "$work/stderr")"
    kill "$pid" 2>/dev/null || true
    wait "$pid" || true
    pid=""
    continue
  fi
  # Give it a few frames of play, then one Escape, timed to the end of the process.
  sleep 3
  xdotool windowfocus "$window" 2>/dev/null || true
  start=$(date +%s.%N)
  xdotool key --window "$window" Escape 2>/dev/null || true
  while kill -0 "$pid" 2>/dev/null; do
    elapsed=$(awk -v s="$start" -v n="$(date +%s.%N)" 'BEGIN { print n - s }')
    awk -v e="$elapsed" 'BEGIN { exit !(e > 30) }' && break
    sleep 0.05
  done
  elapsed=$(awk -v s="$start" -v n="$(date +%s.%N)" 'BEGIN { printf "%.2f", n - s }')
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid"
    fail "$name: still running 30 s after Escape"
  fi
  code=0
  wait "$pid" || code=$?
  pid=""
  peak=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time")
  echo "$name: exit $code, Escape to exit ${elapsed} s, peak ${peak} KB"
  [ "$code" -eq 0 ] || fail "$name: exit code $code: $(tail -n 3 "$work/stderr")"
  awk -v e="$elapsed" -v m="$MaxEscapeSeconds" 'BEGIN { exit !(e <= m) }' ||
    fail "$name: Escape took ${elapsed} s (at most ${MaxEscapeSeconds})"
  [ -n "$peak" ] && [ "$peak" -lt "$MaxKilobytes" ] ||
    fail "$name: peak memory ${peak} KB (under ${MaxKilobytes})"
done
[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "all checks passed"
