#!/usr/bin/env bash
# Records a demo with the real game binary, driven by X input events (xdotool) under an Xvfb of
# its own, as a player would play: the committed demos of this folder are made with it, and the
# suite records one with it to replay.
#   record.sh GAME DEMO_FILE SCENARIO
# SCENARIO: level1 (turn to the first wall, fly to it, destroy it, fly back, toggles), level2
# (placed in front of the hall's west wall, destroy it, fly along the hall, toggles) or short (a
# few seconds of every kind of input: mouse, movement keys, attack, toggles, a pause). Input is
# paced by the game's own progress, read from the demo as it is written: keys are held for a
# span of game time, not of wall time, so a slow machine records the same play.
set -euo pipefail
game=$(realpath "$1")
demo=$(realpath -m "$2")
scenario=$3
# Recorded on the game's own settings, whatever the player's config says.
export XDG_CONFIG_HOME=/nonexistent

# On an X server of its own, the 1280 x 960 screen the committed demos were recorded on.
if [ -z "${BRINDLEMOX_RECORD_DISPLAY:-}" ]; then
  BRINDLEMOX_RECORD_DISPLAY=1 exec "$(dirname "$0")/../support/own_display.sh" \
    --screen 1280x960 "$0" "$@"
fi

work=$(mktemp -d)
cleanup() {
  [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  tail -n 20 "$work/stdout" 2>/dev/null || true
  exit 1
}

case $scenario in
  level1) options=() ;;
  level2) options=(--level 2 --at -71.5,4,-56 --look -90,0) ;;
  short) options=() ;;
  *) fail "unknown scenario '$scenario'" ;;
esac

# From a folder without data: the game finds its own beside the binary.
cd "$work"
"$game" --record "$demo" "${options[@]}" >"$work/stdout" 2>&1 </dev/null &
pid=$!

# Game time recorded so far: the sum of the frames' delta times.
game_time() { awk '$1 == "f" { t += $2 } END { printf "%.3f\n", t }' "$demo" 2>/dev/null || echo 0; }
frames() { grep -c '^f ' "$demo" 2>/dev/null || true; }
wait_until() { # bound what check...
  local bound=$1 what=$2
  shift 2
  local deadline=$((SECONDS + bound))
  until "$@"; do
    kill -0 "$pid" 2>/dev/null || fail "the game ended while waiting: $what"
    [ "$SECONDS" -lt "$deadline" ] || fail "$what (nothing after ${bound} s)"
    sleep 0.05
  done
}
at_least() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a >= b) }'; }
# Lets the game run for a span of its own time.
play_for() { # seconds
  local until
  until=$(awk -v t="$(game_time)" -v s="$1" 'BEGIN { print t + s }')
  wait_until $((120 + ${1%.*} * 30)) "game time $until" game_time_reached "$until"
}
game_time_reached() { at_least "$(game_time)" "$1"; }
frames_reached() { [ "$(frames)" -ge "$1" ]; }

window=""
window_found() {
  window=$(xdotool search --name '^Brindlemox$' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ]
}
wait_until 120 "no window titled Brindlemox" window_found
wait_until 300 "no frames recorded" frames_reached 3

if [ "$scenario" = level1 ]; then
  # Face the first wall (west, 180 degrees and 39 down at the default sensitivity), fly about
  # six units towards it and destroy it; then back to the middle with the frame rate shown,
  # looking over the water, cel shading on and off, destroyed walls hidden.
  xdotool mousemove_relative -- 1 0
  play_for 0.1
  xdotool mousemove_relative -- -217 0
  play_for 0.1
  xdotool mousemove_relative -- 0 47
  play_for 0.3
  xdotool keydown w
  play_for 1.0
  xdotool keyup w
  play_for 0.2
  xdotool keydown space
  play_for 6.5
  xdotool keyup space
  xdotool key F2
  xdotool mousemove_relative -- 216 -40
  play_for 0.5
  xdotool keydown w
  play_for 1.5
  xdotool keyup w
  xdotool keydown d
  xdotool mousemove_relative -- 0 30
  play_for 1.0
  xdotool keyup d
  xdotool key F4
  xdotool mousemove_relative -- -60 0
  play_for 1.5
  xdotool key F4 F8
  xdotool keydown s
  play_for 1.0
  xdotool keyup s
  xdotool mousemove_relative -- 100 -20
  play_for 1.5
  xdotool key F8 F2
  play_for 0.5
elif [ "$scenario" = short ]; then
  xdotool mousemove_relative -- 1 0
  xdotool mousemove_relative -- -100 10
  xdotool keydown w
  play_for 0.4
  xdotool mousemove_relative -- 40 -25
  xdotool keyup w
  xdotool keydown a space
  xdotool key F2 F3
  play_for 0.4
  xdotool keyup a space
  xdotool key F3 F4 F8
  xdotool keydown s
  play_for 0.3
  xdotool keyup s
  xdotool keydown d
  xdotool mousemove_relative -- -7 3
  play_for 0.3
  xdotool keyup d
  # A pause: what is held and moved meanwhile changes nothing; P again resumes.
  xdotool key p
  xdotool keydown w
  xdotool mousemove_relative -- 30 0
  play_for 0.4
  xdotool keyup w
  xdotool key p
  play_for 0.2
else
  # Destroy the wall in front, turn round and fly east along the hall with the frame rate shown,
  # wireframe on and off, a look around, a step aside and back.
  xdotool mousemove_relative -- 1 0
  xdotool keydown space
  play_for 7.5
  xdotool keyup space
  xdotool key F2
  xdotool mousemove_relative -- 216 0
  play_for 0.5
  xdotool keydown w
  play_for 3.0
  xdotool keyup w
  xdotool key F3
  xdotool mousemove_relative -- -30 -20
  play_for 1.0
  xdotool key F3
  xdotool keydown d
  play_for 0.5
  xdotool keyup d
  xdotool mousemove_relative -- 60 25
  xdotool keydown s
  play_for 1.0
  xdotool keyup s
  xdotool key F2
  play_for 0.5
fi
if [ "$scenario" != short ]; then
  # A wander through the level: turns, flights, strafes and an attack on whatever is in front,
  # running into what stands in the way.
  xdotool mousemove_relative -- -108 0
  xdotool keydown w
  play_for 2.0
  xdotool keyup w
  xdotool keydown a
  play_for 1.0
  xdotool keyup a
  xdotool mousemove_relative -- 50 10
  xdotool keydown w space
  play_for 2.0
  xdotool keyup w space
  xdotool keydown s
  play_for 1.5
  xdotool keyup s
  xdotool mousemove_relative -- -200 -10
  xdotool keydown d
  play_for 1.0
  xdotool keyup d
  xdotool keydown w
  play_for 2.0
  xdotool keyup w
fi
xdotool key Escape
game_ended() { ! kill -0 "$pid" 2>/dev/null; }
wait_until 120 "the game did not end after Escape" game_ended
code=0
wait "$pid" || code=$?
pid=""
[ "$code" -eq 0 ] || fail "the game exited with $code"
grep -q '^end ' "$demo" || fail "the demo has no end line"
echo "recorded $(frames) frames ($(game_time) s of game time) into $demo"
grep '^state ' "$work/stdout"
