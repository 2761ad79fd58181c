#!/usr/bin/env bash
# The menus of the real binary, driven by X input events (xdotool) on an X server of its own and
# judged by the window's pixels, the exit code and the player's config: a bare start shows the
# title (Play, Levels, Settings on screen), Play starts Level 1, P opens the pause menu, a
# setting or a key changed in the menu is saved (fov=90 then changes the picture of the next
# start), a taken key is refused, Escape backs out and quits from the title with code 0, and the
# data folder never changes.
#   menus.sh GAME_BINARY OUTPUT_DIR
set -euo pipefail
game=$(realpath "$1")
out=$(realpath -m "$2")

if [ -z "${BRINDLEMOX_MENUS_DISPLAY:-}" ]; then
  BRINDLEMOX_MENUS_DISPLAY=1 exec "$(dirname "$0")/../support/own_display.sh" \
    --screen 1280x960 "$0" "$@"
fi

mkdir -p "$out"
data=$(dirname "$game")/data
work=$(mktemp -d)
cleanup() {
  [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
# What the data folder holds, by content (links followed: Config, Shader and Levels link the
# source tree).
data_sum() { (cd "$data" && find -L . -type f -print0 | sort -z | xargs -0 sha256sum | sha256sum); }
data_before=$(data_sum)

shot() { import -window "$window" "$out/$1.png"; }
# Share of pixels in a region of the 800 x 600 menu space (y from the bottom) that pass a test.
share() { # name x y w h fx-test
  local px=$(($2 * width / 800)) py=$((height - ($3 + $5) * height / 600))
  local pw=$(($4 * width / 800)) ph=$(($5 * height / 600))
  convert "$out/$1.png" -crop "${pw}x${ph}+${px}+${py}" +repage -fx "$6 ? 1 : 0" \
    -format "%[fx:mean]" info:
}
yellow='(r>0.75 && g>0.6 && b<0.45)'
white='(r>0.8 && g>0.8 && b>0.75)'
greater() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }

wait_for() { # seconds what check [args...]
  local bound=$1 what=$2
  shift 2
  local deadline=$((SECONDS + bound))
  until "$@"; do
    kill -0 "$pid" 2>/dev/null || { fail "the game ended while waiting: $what"; return 1; }
    [ "$SECONDS" -lt "$deadline" ] || { fail "$what (nothing after ${bound} s)"; return 1; }
    sleep 0.3
  done
}
# The title: its yellow name on top, and light text on the lines of Play, Levels and Settings
# (the first drawn in yellow, as chosen).
title_shown() {
  shot "$1"
  greater "$(share "$1" 300 495 200 45 "$yellow")" 0.05 &&
    greater "$(share "$1" 190 425 120 30 "$yellow")" 0.04 &&
    greater "$(share "$1" 190 387 120 30 "$white")" 0.04 &&
    greater "$(share "$1" 190 349 120 30 "$white")" 0.04
}
# Play: the HUD's black title and health lines at the lower left, no menu panel's title.
level_shown() {
  shot "$1"
  greater "$(share "$1" 30 45 100 75 '(r<0.1 && g<0.1 && b<0.1)')" 0.08 &&
    ! greater "$(share "$1" 300 495 200 45 "$yellow")" 0.05
}
# The pause menu: its yellow title "Paused", and Resume chosen.
pause_menu_shown() {
  shot "$1"
  greater "$(share "$1" 300 495 200 45 "$yellow")" 0.05 &&
    greater "$(share "$1" 190 425 120 30 "$yellow")" 0.04
}
game_ended() { ! kill -0 "$pid" 2>/dev/null; }

# Starts the bare game with the player's folders under $work/NAME and waits for the title.
start() { # name
  export XDG_CONFIG_HOME=$work/$1/config XDG_DATA_HOME=$work/$1/share
  mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
  (cd "$data" && exec "$game" >"$work/$1.out" 2>"$work/$1.err" </dev/null) &
  pid=$!
  window=""
  local deadline=$((SECONDS + 120))
  until window=$(xdotool search --name '^Brindlemox$' 2>/dev/null | head -n 1) && [ -n "$window" ]; do
    [ "$SECONDS" -lt "$deadline" ] || { fail "$1: no window"; return 1; }
    sleep 0.3
  done
  eval "$(xdotool getwindowgeometry --shell "$window")"
  width=$WIDTH
  height=$HEIGHT
  wait_for 300 "$1: no title menu" title_shown "$1-title"
}
# Waits for the game to end and checks its exit code.
ended_with() { # name code
  wait_for 60 "$2: the game did not end" game_ended || return 0
  local code=0
  wait "$pid" || code=$?
  pid=""
  [ "$code" -eq "$2" ] || fail "$1: exit code $code, expected $2"
}

# Cases as data: name | keys pressed on the title | the line the player's config then holds
# ("" for no config written) | exit code.
right10="Right Right Right Right Right Right Right Right Right Right"
cases=(
  "escape|Escape||0"
  "quit|Up Return||0"
  "fov|Down Down Return Down $right10 Escape Escape|fov=90|0"
  "bind|Down Down Down Return Return x Escape Escape|keyForward=X|0"
  "taken|Down Down Down Return Down Return w Escape Escape||0"
  "levels_back|Down Return Escape Escape||0"
)
for c in "${cases[@]}"; do
  IFS='|' read -r name keys line code <<<"$c"
  start "$name" || continue
  # shellcheck disable=SC2086
  xdotool key --delay 150 $keys || true
  ended_with "$name" "$code"
  config=$work/$name/config/brindlemox/config.txt
  if [ -z "$line" ]; then
    [ ! -e "$config" ] || fail "$name: a config was written: $(cat "$config")"
  else
    grep -qx "$line" "$config" 2>/dev/null || fail "$name: the config lacks '$line'"
  fi
  echo "$name: done"
done
cp "$work/escape/escape-title.png" "$out/title.png" 2>/dev/null || true

# Title -> Play -> Level 1, the pause menu, then Escape quits play at once.
if start play; then
  xdotool key Return
  wait_for 120 "Play did not start Level 1" level_shown play-level1 && echo "title -> Play -> Level 1"
  # P opens the pause menu over the game, P again plays on.
  xdotool key p
  wait_for 60 "no pause menu after P" pause_menu_shown play-paused && echo "P: pause menu"
  xdotool key p
  wait_for 60 "the pause menu stayed after P again" level_shown play-resumed && echo "P again: play"
  xdotool key Escape
  ended_with play 0
fi

# The fov saved by the menu is the next start's: a run of the same frames looks otherwise.
run_frames() { # name config-home
  (cd "$data" && XDG_CONFIG_HOME=$2 "$game" --frames 3 --screenshot "$out/$1.png" \
    >"$work/$1.out" 2>&1 </dev/null) || fail "$1: the run failed: $(tail -n 3 "$work/$1.out")"
}
run_frames fov40 "$work/escape/config"
run_frames fov90 "$work/fov/config"
changed=$({ compare -metric AE "$out/fov40.png" "$out/fov90.png" null: 2>&1 || true; } | cut -d' ' -f1)
greater "$changed" 10000 || fail "fov=90 from the menu did not change the picture ($changed pixels)"
echo "fov=90 from the menu changes the next start's picture ($changed pixels)"

[ "$(data_sum)" = "$data_before" ] || fail "the data folder changed"
echo "data folder unchanged"
[ "$failures" -eq 0 ] || exit 1
echo "all checks passed"
