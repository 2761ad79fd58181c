#!/usr/bin/env bash
# The real binary's command line: help, version, refused options, the data search from other
# folders, and short runs with --level, --at, --look, --frames and --screenshot, judged by exit
# code, output and the picture written. Runs on the display it is given (its own Xvfb in the suite).
#   command_line.sh GAME_BINARY VERSION OUTPUT_DIR
set -euo pipefail
game=$(realpath "$1")
version=$2
out=$(realpath -m "$3")
mkdir -p "$out"
work=$(mktemp -d)
trap 'umount "$work/full" 2>/dev/null || true; rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Runs the game in folder with the arguments; sets code, stdout and stderr.
run() { # folder args...
  local folder=$1
  shift
  code=0
  (cd "$folder" && timeout 600 "$game" "$@" >"$work/stdout" 2>"$work/stderr" </dev/null) || code=$?
  stdout=$(cat "$work/stdout")
  stderr=$(cat "$work/stderr")
}

# Cases as data: arguments | exit code | a line standard output holds | a line standard error
# holds ("" for none expected). Run from an empty folder.
mkdir -p "$work/empty"
cases=(
  "--help|0|      --timedemo FILE   play the demo FILE back as fast as frames render and print|"
  "-h|0|Usage: brindlemox [OPTION]...|"
  "--version|0|brindlemox $version|"
  "--fly|2||brindlemox: unknown option '--fly'"
  "--level 3|2||brindlemox: --level takes a level from 1 to 2, not '3'"
  "--frames|2||brindlemox: --frames needs a value"
  "--at 1,2|2||brindlemox: --at takes X,Y,Z (three numbers), not '1,2'"
  "--replay a.demo --level 2|2||brindlemox: --level cannot be combined with --replay (the demo sets it)"
  "--level-file x.txt --level 2|2||brindlemox: --level-file plays one level: --level cannot be 2"
  "--replay a.demo --level-file x.txt|2||brindlemox: --level-file cannot be combined with --replay (the demo sets it)"
  "--level-file missing.txt --frames 1|1||$work/empty/missing.txt: no such file"
  "stray|2||brindlemox: unexpected argument 'stray'"
  "--record /no/such/folder/run.demo|1||Cannot write the demo /no/such/folder/run.demo: No such file or directory"
  "--help|0|      --size WxH        the window's size, e.g. 1280x720 (windowed unless|"
  "--size 640|2||brindlemox: --size takes WIDTHxHEIGHT (each from 1 to 16384), not '640'"
  "--size 0x480|2||brindlemox: --size takes WIDTHxHEIGHT (each from 1 to 16384), not '0x480'"
  "--fullscreen --windowed|2||brindlemox: --fullscreen and --windowed cannot be combined"
)
for c in "${cases[@]}"; do
  IFS='|' read -r args expected_code expected_out expected_err <<<"$c"
  # shellcheck disable=SC2086
  run "$work/empty" $args
  [ "$code" -eq "$expected_code" ] || fail "'$args': exit code $code, expected $expected_code"
  if [ -n "$expected_out" ] && ! grep -qxF -- "$expected_out" <<<"$stdout"; then
    fail "'$args': no line '$expected_out' on standard output: $stdout"
  fi
  if [ -n "$expected_err" ] && ! grep -qxF -- "$expected_err" <<<"$stderr"; then
    fail "'$args': no line '$expected_err' on standard error: $stderr"
  fi
  # A refused command line shows the usage on standard error and nothing on standard output.
  if [ "$expected_code" -eq 2 ]; then
    grep -q -- '--timedemo FILE' <<<"$stderr" || fail "'$args': no usage on standard error"
    [ -z "$stdout" ] || fail "'$args': standard output not empty: $stdout"
  fi
  echo "'$args': exit $code"
done

# No data anywhere: a copy of the binary alone, started from an empty folder. One line naming
# every place looked at, exit code 1, no window and no console pause.
mkdir -p "$work/alone/games"
cp "$game" "$work/alone/games/brindlemox"
code=0
(cd "$work/empty" && "$work/alone/games/brindlemox" >"$work/stdout" 2>"$work/stderr" </dev/null) || code=$?
expected="No game data (folders Config, Shader and Obj) in $work/empty, $work/alone/games/data or"
expected+=" $work/alone/share/games/brindlemox (start the game in its data folder or name it with --data DIR)"
[ "$code" -eq 1 ] || fail "no data: exit code $code, expected 1"
[ "$(cat "$work/stderr")" = "$expected" ] || fail "no data: '$(cat "$work/stderr")'"
[ ! -s "$work/stdout" ] || fail "no data: standard output '$(cat "$work/stdout")'"
echo "no data anywhere: exit $code, one line"

# --data naming a folder without the data: only there is looked.
run "$work/empty" --data "$work/empty" --frames 1
[ "$code" -eq 1 ] || fail "--data without data: exit code $code"
grep -qF "No game data (folders Config, Shader and Obj) in $work/empty (" <<<"$stderr" ||
  fail "--data without data: '$stderr'"

# Short runs from a folder without data: the game finds its own beside the binary.
state_of() { grep '^state ' <<<"$stdout" || true; }
runs=(
  "--frames 3|state level=1 health=40 walls=0/4,0/0 position=0,8,0 view=90,0 frames=3"
  "--level 2 --frames 2|state level=2 health=50 walls=0/0,0/6 position=0,8,0 view=90,0 frames=2"
  "--at -4,4.5,0.25 --look 180,-39 --frames 2|state level=1 health=40 walls=0/4,0/0 position=-4,4.5,0.25 view=180,-39 frames=2"
  "--look 270,10 --frames=1|state level=1 health=40 walls=0/4,0/0 position=0,8,0 view=270,10 frames=1"
  "--look 90,99999 --frames=1|state level=1 health=40 walls=0/4,0/0 position=0,8,0 view=90,80 frames=1"
  "--level-file $(dirname "$game")/data/Levels/level2.txt --frames 2|state level=1 health=50 walls=0/6 position=0,8,0 view=90,0 frames=2"
)
for c in "${runs[@]}"; do
  IFS='|' read -r args expected <<<"$c"
  # shellcheck disable=SC2086
  run "$work/empty" $args
  [ "$code" -eq 0 ] || fail "'$args': exit code $code: $stderr"
  [ "$(state_of)" = "$expected" ] || fail "'$args': '$(state_of)', expected '$expected'"
  echo "'$args': $(state_of)"
done

# Window sizes and settings, seen in the last frame: arguments | lines added to the config (a
# copy of the build's data) | the screenshot's size | share of breakable-wall blue in it: "less"
# than with the build's config, or "" for not checked. From 8 units away the first wall fills the
# view; a wider field of view shows the room around it.
screen=$(xwininfo -root | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w " " h }')
build_data=$(dirname "$game")/data
data_with() { # config lines -> a data folder (links to the build's) with those lines added
  local folder
  folder=$(mktemp -d -p "$work")
  for entry in "$build_data"/*; do
    [ "$(basename "$entry")" = Config ] || ln -s "$entry" "$folder/"
  done
  mkdir "$folder/Config"
  { cat "$build_data/Config/config.txt"; printf '%b' "$1"; } >"$folder/Config/config.txt"
  echo "$folder"
}
blue_share() { convert "$1" -fx '(b > r && b > g) ? 1 : 0' -format '%[fx:mean]' info:; }
wall="--at 0,4,0 --look 270,-15 --frames 2"
shots=(
  "$wall||1024 860|"
  "--size 640x480 $wall||640 480|"
  "--fullscreen $wall||$screen|"
  "$wall|fullscreen=yes\\n|$screen|"
  "--windowed $wall|fullscreen=yes\\n|1024 860|"
  "$wall|fov=90\\n|1024 860|less"
)
for c in "${shots[@]}"; do
  IFS='|' read -r args lines expected_size blue <<<"$c"
  shot="$out/settings_$(echo "$args $lines" | tr -c 'a-zA-Z0-9=\n' _).png"
  rm -f "$shot"
  # shellcheck disable=SC2086
  run "$work/empty" --data "$(data_with "$lines")" $args --screenshot "$shot"
  [ "$code" -eq 0 ] || { fail "'$args' with '$lines': exit code $code: $stderr"; continue; }
  size=$(identify -format '%w %h' "$shot")
  [ "$size" = "$expected_size" ] || fail "'$args' with '$lines': $size, not $expected_size"
  share=$(blue_share "$shot")
  if [ -z "$blue" ]; then
    [ "$size" = "1024 860" ] && [ -z "$lines" ] && [ "$args" = "$wall" ] && base_blue=$share
  else
    awk -v a="$share" -v b="$base_blue" 'BEGIN { exit !(a < b - 0.2) }' ||
      fail "'$lines': wall blue $share, not less than $base_blue"
  fi
  echo "'$args' with '$lines': $size, wall blue $share"
done

# A wrong value in the config: one line naming the file, the line and what was expected; the
# clamped value is used and the game plays.
folder=$(data_with "volume=150\n")
number=$(wc -l <"$folder/Config/config.txt")
run "$work/empty" --data "$folder" --frames 1
[ "$code" -eq 0 ] || fail "volume=150: exit code $code"
[ "$stderr" = "Config/config.txt line $number: volume is 0 to 100, not '150'; using 100" ] ||
  fail "volume=150: '$stderr'"

# The player's own config, read over the data folder's (which is never written): its fov=90
# widens the view, misspelt keys are named (twenty, then a count), a width beyond the screen is
# bounded with one line.
player=$work/player
mkdir -p "$player/brindlemox"
settings=$player/brindlemox/config.txt
data_config=$(sha256sum <"$build_data/Config/config.txt")
{ echo fov=90; for _ in $(seq 25); do echo fvo=90; done; } >"$settings"
# shellcheck disable=SC2086
XDG_CONFIG_HOME=$player run "$work/empty" $wall --screenshot "$out/player_fov.png"
[ "$code" -eq 0 ] || fail "player's fov=90: exit code $code: $stderr"
[ "$(head -n 1 <<<"$stderr")" = "$settings line 2: unknown key 'fvo': did you mean 'fov'?" ] &&
  [ "$(wc -l <<<"$stderr")" -eq 21 ] && [ "$(tail -n 1 <<<"$stderr")" = "and 5 more" ] ||
  fail "player's 25 times fvo=90: '$stderr'"
share=$(blue_share "$out/player_fov.png")
awk -v a="$share" -v b="$base_blue" 'BEGIN { exit !(a < b - 0.2) }' ||
  fail "player's fov=90: wall blue $share, not less than $base_blue"
echo "player's fov=90: wall blue $share"
printf 'width=70000\n' >"$settings"
XDG_CONFIG_HOME=$player run "$work/empty" --frames 1 --screenshot "$out/player_wide.png"
screen_width=${screen% *}
[ "$code" -eq 0 ] || fail "width=70000: exit code $code: $stderr"
[ "$stderr" = "A window of 70000 x 860 does not fit the screen: it opens at $screen_width x 860" ] ||
  fail "width=70000: '$stderr'"
size=$(identify -format '%w %h' "$out/player_wide.png")
[ "$size" = "$screen_width 860" ] || fail "width=70000: a window of $size"
[ "$(sha256sum <"$build_data/Config/config.txt")" = "$data_config" ] ||
  fail "the data folder's config was written"

# --data naming the data from elsewhere, and a screenshot of the last frame.
data=$(dirname "$game")/data
run "$work/empty" --data "$data" --frames 4 --screenshot "$out/command_line_shot.png"
[ "$code" -eq 0 ] || fail "--data with --screenshot: exit code $code: $stderr"
if [ -f "$out/command_line_shot.png" ]; then
  size=$(identify -format '%w %h' "$out/command_line_shot.png")
  [ "$size" = "1024 860" ] || fail "the screenshot is $size, not the window's 1024 860"
  # The level lit in its colours, not a black or empty picture.
  mean=$(convert "$out/command_line_shot.png" -colorspace gray -format '%[fx:mean]' info:)
  awk -v m="$mean" 'BEGIN { exit !(m > 0.08) }' || fail "the screenshot is dark (mean $mean)"
  echo "screenshot: $size, mean brightness $mean"
else
  fail "no screenshot written"
fi
# A file named relative to where the game is started lands there, not in the data folder.
run "$work/empty" --frames 1 --screenshot relative.png
[ "$code" -eq 0 ] && [ -f "$work/empty/relative.png" ] ||
  fail "--screenshot relative.png: exit code $code, not written in the starting folder"
run "$work/empty" --frames 1 --screenshot "$work/no/such/folder/shot.png"
[ "$code" -eq 1 ] || fail "unwritable screenshot: exit code $code"
grep -qxF "Cannot write the screenshot $work/no/such/folder/shot.png: No such file or directory" \
  <<<"$stderr" || fail "unwritable screenshot: '$stderr'"

# Outputs that are not regular files are refused with one line and exit code 2 before any
# window, within a time bound (a pipe would block the game): arguments | the line.
mkfifo "$work/pipe.png" "$work/pipe.demo"
refused=(
  "--frames 1 --screenshot $work/pipe.png|brindlemox: cannot write the screenshot to $work/pipe.png: not a regular file"
  "--record $work/pipe.demo|brindlemox: cannot write the demo to $work/pipe.demo: not a regular file"
  "--frames 1 --screenshot /dev/full|brindlemox: cannot write the screenshot to /dev/full: not a regular file"
  "--frames 1 --screenshot $work|brindlemox: cannot write the screenshot to $work: not a regular file"
  "--timedemo any.demo --frame-times $work/pipe.demo|brindlemox: cannot write the frame times to $work/pipe.demo: not a regular file"
)
for c in "${refused[@]}"; do
  IFS='|' read -r args expected <<<"$c"
  code=0
  # shellcheck disable=SC2086
  (cd "$work/empty" && timeout 60 env -u DISPLAY "$game" $args >"$work/stdout" 2>"$work/stderr" \
    </dev/null) || code=$?
  [ "$code" -eq 2 ] || fail "'$args': exit code $code, expected 2"
  [ "$(cat "$work/stderr")" = "$expected" ] || fail "'$args': '$(cat "$work/stderr")'"
  [ ! -s "$work/stdout" ] || fail "'$args': standard output '$(cat "$work/stdout")'"
  echo "'$args': exit $code, one line"
done

# Paths echoed in messages show control characters escaped: a name cannot colour the terminal
# or set its title.
hostile_name=$'\e]0;owned\a\e[31mred'
run "$work/empty" --data "$work/$hostile_name" --frames 1
[ "$code" -eq 1 ] || fail "escaped path: exit code $code"
grep -qF '\x1b]0;owned\x07\x1b[31mred' <<<"$stderr" || fail "escaped path: '$stderr'"
! grep -q $'\e' "$work/stderr" || fail "escaped path: a raw escape character on standard error"

# A full disk: the screenshot is refused with the system's reason, exit code 1, and no partial
# file is left, neither under its name nor beside it. Needs a small tmpfs (root).
full="$work/full"
mkdir -p "$full"
if mount -t tmpfs -o size=256k tmpfs "$full" 2>/dev/null; then
  dd if=/dev/zero of="$full/filler" bs=4k 2>/dev/null || true
  run "$work/empty" --frames 1 --screenshot "$full/shot.png"
  [ "$code" -eq 1 ] || fail "full disk: exit code $code"
  [ "$stderr" = "Cannot write the screenshot $full/shot.png: No space left on device" ] ||
    fail "full disk: '$stderr'"
  left=$(ls "$full")
  [ "$left" = "filler" ] || fail "full disk: files left: $left"
  umount "$full"
  echo "full disk: exit $code, nothing left"
else
  echo "SKIP: full disk (cannot mount a tmpfs here)"
fi

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "all checks passed"
