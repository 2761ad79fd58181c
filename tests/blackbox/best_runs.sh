#!/usr/bin/env bash
# The player's progress with the real binary, under an X server of its own and XDG folders of
# its own: the pool room finished with X input (xdotool) writes its best time and its best run;
# the best run replays to its end, from the command line and from the level list ("Watch best
# run"); replays and timedemos leave the progress as it was; a damaged progress file gives one
# line and the game plays on; a level dropped into the player's folder is listed; the data
# folder is never written.
#   best_runs.sh GAME DATA_DIR OUTPUT_DIR
set -euo pipefail
game=$(realpath "$1")
data=$(realpath "$2")
out=$3

if [ -z "${BRINDLEMOX_RUNS_DISPLAY:-}" ]; then
  BRINDLEMOX_RUNS_DISPLAY=1 exec "$(dirname "$0")/../support/own_display.sh" \
    --screen 1280x960 "$0" "$@"
fi
mkdir -p "$out"
out=$(realpath "$out")
work=$(mktemp -d)
cleanup() {
  [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  tail -n 20 "$work/stderr" 2>/dev/null || true
  exit 1
}
export XDG_DATA_HOME=$work/share XDG_CONFIG_HOME=$work/config
mine=$XDG_DATA_HOME/brindlemox
# Everything in the data folder, links followed: the game writes none of it.
data_sum() { (cd "$data" && find -L . -type f -print0 | sort -z | xargs -0 sha256sum | sha256sum); }
data_before=$(data_sum)

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
# Game time so far, from the demo being recorded: input is paced by it, not by the wall clock.
game_time() { awk '$1 == "f" { t += $2 } END { printf "%.3f\n", t }' "$work/run.demo" 2>/dev/null || echo 0; }
time_reached() { awk -v a="$(game_time)" -v b="$1" 'BEGIN { exit !(a >= b) }'; }
play_for() { wait_until $((120 + ${1%.*} * 30)) "game time" time_reached "$(awk -v t="$(game_time)" -v s="$1" 'BEGIN { print t + s }')"; }
window_found() { window=$(xdotool search --name '^Brindlemox$' 2>/dev/null | head -n 1) && [ -n "$window" ]; }
best_kept() { grep -q '^best [0-9.e+-]* pool$' "$mine/progress.txt" 2>/dev/null && [ -s "$mine/best/pool.demo" ]; }

# A damaged progress file: one line when it is read, and the game plays on.
mkdir -p "$mine"
printf 'best 12 level1\nbest x\n' >"$mine/progress.txt"

cd "$data"
"$game" --level-file Levels/level3.txt --record "$work/run.demo" >"$work/stdout" 2>"$work/stderr" </dev/null &
pid=$!
wait_until 120 "no window titled Brindlemox" window_found
wait_until 300 "no frames recorded" time_reached 0.1
# Turn from the spawn's view to the breakable wall (west, about 20 degrees down), fly towards it
# and hit it until it falls.
xdotool mousemove_relative -- 1 0
play_for 0.1
xdotool mousemove_relative -- -217 24
play_for 0.3
xdotool keydown w
play_for 1.2
xdotool keyup w
xdotool keydown space
wait_until 300 "no best time and best run of the pool room" best_kept
xdotool keyup space
# The card of the finished level, with its time, over the closing message.
play_for 0.5
import -window "$window" "$out/pool-finished.png"
xdotool key Escape
wait "$pid" || fail "the game ended with $? after Escape"
pid=""
damaged=$(grep -c "The progress $mine/progress.txt is damaged (line 2 is not 'best SECONDS LEVEL'); starting without it" "$work/stderr" || true)
[ "$damaged" = 1 ] || fail "the damaged progress was named $damaged times"
grep -q "A best time for The pool room: " "$work/stderr" || fail "no line for the best time"
[ "$(grep -c '^best ' "$mine/progress.txt")" = 1 ] || fail "the progress holds more than the pool room"
echo "the pool room finished: $(grep '^best' "$mine/progress.txt")"

# The best run replays to its end (the level finished), and neither it nor a timedemo of it
# changes the progress.
progress_before=$(sha256sum "$mine/progress.txt" "$mine/best/pool.demo")
for how in --replay --timedemo; do
  "$game" "$how" "$mine/best/pool.demo" >"$work/stdout" 2>"$work/stderr" </dev/null ||
    fail "$how of the best run failed"
  grep -q "The replay ends in the demo's recorded state" "$work/stderr" || fail "$how ends elsewhere"
  grep -q '^state .* walls=1/1 ' "$work/stdout" || fail "$how does not end with the wall down"
done
[ "$(sha256sum "$mine/progress.txt" "$mine/best/pool.demo")" = "$progress_before" ] ||
  fail "a replay changed the progress"
echo "the best run replays to its end; replays keep the progress"

# From a bare start: Down, Return on the title lists a level dropped into the player's folder;
# the pool room's "Watch best run" replays it to its end, then the title shows again.
width=0
height=0
shot() { import -window "$window" "$out/$1.png"; }
# Share of white text in a region of the 800 x 600 menu space (y from the bottom).
white_share() { # name x y w h
  local px=$(($2 * width / 800)) py=$((height - ($3 + $5) * height / 600))
  local pw=$(($4 * width / 800)) ph=$(($5 * height / 600))
  convert "$out/$1.png" -crop "${pw}x${ph}+${px}+${py}" +repage \
    -fx "(r>0.8 && g>0.8 && b>0.75) ? 1 : 0" -format "%[fx:mean]" info:
}
greater() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }
# The menu's entries stand 38 apart from 430 down: Level 1, Level 2, the pool room, then the
# player's levels by title, then Back (the title has five lines).
row_written() { shot "$1" && greater "$(white_share "$1" 190 $((425 - 38 * $2)) 200 30)" 0.04; }
# A detail (a best time, an error line) at the right of a line.
detail_written() { # name row
  local px=$((470 * width / 800)) py=$((height - (455 - 38 * $2) * height / 600))
  convert "$out/$1.png" -crop "$((160 * width / 800))x$((30 * height / 600))+${px}+${py}" +repage \
    -fx "(r>0.6 && g>0.6 && b>0.6) ? 1 : 0" -format "%[fx:mean]" info: | { read -r v; greater "$v" 0.02; }
}
levels_listed() { row_written "$1" 5 && detail_written "$1" 4; }
title_up() {
  window_found && eval "$(xdotool getwindowgeometry --shell "$window")" && width=$WIDTH &&
    height=$HEIGHT && row_written "$1" 1
}
# One that plays, and one whose file is damaged (listed with its error line).
mkdir -p "$mine/levels/cellar" "$mine/levels/damp"
sed 's/^title .*/title My cellar/' Levels/level3.txt >"$mine/levels/cellar/cellar.txt"
printf 'title Damp\nspawn 0 0\n' >"$mine/levels/damp/damp.txt"
progress_before=$(sha256sum "$mine/progress.txt" "$mine/best/pool.demo")
"$game" >"$work/stdout" 2>"$work/stderr" </dev/null &
pid=$!
wait_until 300 "no title" title_up title
xdotool key --delay 300 Down Return
wait_until 60 "the level list lacks the player's levels (one that cannot be played)" levels_listed levels
# The damaged level's error line shows under the list when it is chosen.
xdotool key --delay 300 Down Down Down Down Return
note_written() { # the warning line under Back
  shot "$1" && convert "$out/$1.png" -crop "$((600 * width / 800))x$((34 * height / 600))+$((100 * width / 800))+$((height - 212 * height / 600))" +repage \
    -fx "(r>0.6 && g>0.4) ? 1 : 0" -format "%[fx:mean]" info: | { read -r v; greater "$v" 0.02; }
}
wait_until 60 "no error line for the damaged level" note_written level-error
# Back to the title, where Levels is still the chosen line, and into the list again.
xdotool key --delay 300 Escape Return
xdotool key --delay 300 Down Down Return
wait_until 60 "no Watch best run under the pool room (Play, Watch best run, Back)" row_written pool 2
xdotool key --delay 300 Down Return
replayed() { grep -q "The replay ends in the demo's recorded state" "$work/stderr"; }
wait_until 300 "the best run was not replayed to its end" replayed
wait_until 300 "no title after the best run" title_up title-again
xdotool key Escape
wait "$pid" || fail "the game ended with $? after Escape on the title"
pid=""
[ "$(sha256sum "$mine/progress.txt" "$mine/best/pool.demo")" = "$progress_before" ] ||
  fail "watching the best run changed the progress"
echo "the level list shows the player's level; Watch best run replays to its end"

[ "$(data_sum)" = "$data_before" ] || fail "the data folder changed"
echo "the data folder is unchanged"
