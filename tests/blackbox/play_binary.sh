#!/usr/bin/env bash
# The real game binary played through X input events (xdotool) under its own Xvfb, judged only
# by what a player sees: window pixels and standard output.
#   play_binary.sh GAME_BINARY DATA_DIR OUTPUT_DIR
# Start, the HUD on screen, P and a focus change pause the picture (P or a click resume it), fly
# to the first wall of Level 1 and destroy it, F2 shows a number where the frame-rate line stands, F3 turns the picture to lines, F4 changes the shading, F8
# hides the destroyed wall, F6 hides the wall marker and shows it again, Escape quits with code 0.
set -euo pipefail
game=$1
data=$2
out=$3

# On an X server of its own, whose 1280 x 960 screen the full-screen checks measure.
if [ -z "${BRINDLEMOX_BLACKBOX_DISPLAY:-}" ]; then
  BRINDLEMOX_BLACKBOX_DISPLAY=1 exec "$(dirname "$0")/../support/own_display.sh" \
    --screen 1280x960 "$0" "$@"
fi

mkdir -p "$out"
work=$(mktemp -d)
cleanup() {
  [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  echo "--- game output (last lines) ---"
  tail -n 20 "$work/stdout" || true
  exit 1
}

# Pictures: the whole window, and numbers read from them with ImageMagick.
shot() { import -window "$window" "$out/$1.png"; }
# Mean brightness (0..1) of a region given in the game's 800 x 600 HUD space (y from the bottom).
region() { # name x y w h -> "r g b"
  local name=$1 x=$2 y=$3 w=$4 h=$5
  local px=$((x * width / 800)) py=$((height - (y + h) * height / 600))
  local pw=$((w * width / 800)) ph=$((h * height / 600))
  convert "$out/$name.png" -crop "${pw}x${ph}+${px}+${py}" +repage \
    -format "%[fx:mean.r] %[fx:mean.g] %[fx:mean.b]" info:
}
# Share of pixels in a HUD-space region that are HUD yellow.
yellow_share() { # name x y w h
  local name=$1 x=$2 y=$3 w=$4 h=$5
  local px=$((x * width / 800)) py=$((height - (y + h) * height / 600))
  local pw=$((w * width / 800)) ph=$((h * height / 600))
  convert "$out/$name.png" -crop "${pw}x${ph}+${px}+${py}" +repage \
    -fx "(r>0.75 && g>0.6 && b<0.45) ? 1 : 0" -format "%[fx:mean]" info:
}
# Share of near-black pixels in a HUD-space region.
dark_share() { # name x y w h
  local name=$1 x=$2 y=$3 w=$4 h=$5
  local px=$((x * width / 800)) py=$((height - (y + h) * height / 600))
  local pw=$((w * width / 800)) ph=$((h * height / 600))
  convert "$out/$name.png" -crop "${pw}x${ph}+${px}+${py}" +repage -colorspace gray \
    -threshold 6% -format "%[fx:1-mean]" info:
}
# Share of near-black pixels in the whole picture.
black_share() { convert "$out/$1.png" -colorspace gray -threshold 4% -format "%[fx:1-mean]" info:; }
# compare exits 1 when the pictures differ, which is what is being measured.
difference() { { compare -metric MAE "$out/$1.png" "$out/$2.png" null: 2>&1 || true; } | sed 's/.*(\(.*\)).*/\1/'; }
# Floating-point comparison: holds "a > b".
greater() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }

# Waits until a check holds: runs it again and again (a picture or the output each time) and
# fails after a bound generous enough for a game that runs at a few frames a second on a busy
# machine. Nothing here waits a fixed time for the game to get somewhere.
wait_for() { # seconds what check [args...]
  local bound=$1 what=$2
  shift 2
  local deadline=$((SECONDS + bound))
  until "$@"; do
    kill -0 "$pid" 2>/dev/null || fail "the game ended while waiting: $what"
    [ "$SECONDS" -lt "$deadline" ] || fail "$what (nothing after ${bound} s)"
    sleep 0.2
  done
}

# The checks, each on a fresh picture.
shader_reported() { grep -q "Compiling shader : Shader/extendedVS.vs" "$work/stderr"; }
hud_shown() { # the black title and health lines at (30, 50) and (30, 90) over the lit level
  shot "$1"
  text=$(dark_share "$1" 30 45 100 75)
  greater "$text" 0.08 && greater 0.3 "$(black_share "$1")"
}
wall_in_front() { # the breakable wall (blue) fills the middle of the view
  shot "$1"
  read -r wr _ wb <<<"$(region "$1" 250 150 300 300)"
  greater "$wb" "$wr"
}
# Share of pixels in a HUD-space region that are spark orange.
spark_share() { # name x y w h
  local name=$1 x=$2 y=$3 w=$4 h=$5
  local px=$((x * width / 800)) py=$((height - (y + h) * height / 600))
  local pw=$((w * width / 800)) ph=$((h * height / 600))
  convert "$out/$name.png" -crop "${pw}x${ph}+${px}+${py}" +repage \
    -fx "(r>0.8 && g>0.45 && b<0.4) ? 1 : 0" -format "%[fx:mean]" info:
}
wall_faded() { # the middle of the view shows the red level where the wall stood, and no sparks:
  # the orange sparks sprayed while the wall is hit are redder than blue too, but they stop only
  # once the wall is gone
  shot "$1"
  read -r dr _ db <<<"$(region "$1" 250 150 300 300)"
  greater "$dr" "$db" && greater 0.02 "$(spark_share "$1" 250 150 300 300)"
}
fps_shown() { # a yellow number where the frame-rate line stands (700, 500)
  shot "$1"
  after=$(yellow_share "$1" 690 490 100 40)
  greater "$after" "$(awk -v b="$before" 'BEGIN { print b + 0.02 }')"
}
fps_hidden() {
  shot "$1"
  after=$(yellow_share "$1" 690 490 100 40)
  ! greater "$after" "$(awk -v b="$before" 'BEGIN { print b + 0.02 }')"
}
lines_only() { # wireframe: mostly the black clear colour between the lines
  shot "$1"
  lines=$(black_share "$1")
  greater "$lines" 0.4
}
filled() {
  shot "$1"
  lines=$(black_share "$1")
  ! greater "$lines" 0.4
}
changed_from() { # reference threshold name: the picture differs from the reference
  shot "$3"
  change=$(difference "$1" "$3")
  greater "$change" "$2"
}
unchanged_from() {
  shot "$3"
  change=$(difference "$1" "$3")
  ! greater "$change" "$2"
}
# The pause line (yellow, centred at 360) stands over what was there before the pause.
pause_line_shown() {
  shot "$1"
  greater "$(yellow_share "$1" 220 355 360 45)" "$(awk -v b="$before" 'BEGIN { print b + 0.05 }')"
}
# Two pictures in a row are the same: nothing moves.
standing_still() {
  shot "$1"
  shot "$1_again"
  ! greater "$(difference "$1" "$1_again")" 0.0005
}

cd "$data"
# --level 1: straight into play, past the title menu (its pause shows the pause line).
"$game" --level 1 >"$work/stdout" 2>"$work/stderr" </dev/null &
pid=$!

window=""
window_found() {
  window=$(xdotool search --name '^Brindlemox$' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ]
}
wait_for 120 "no window titled Brindlemox" window_found
eval "$(xdotool getwindowgeometry --shell "$window")"
width=$WIDTH
height=$HEIGHT
echo "window $window: ${width} x ${height}"
[ "$width" -eq 1024 ] && [ "$height" -eq 860 ] || fail "window is ${width} x ${height}, not 1024 x 860"

# The first level loads, then its frames show the HUD.
wait_for 300 "no shader report on standard output" shader_reported
wait_for 300 "no HUD text where the title and health lines stand" hud_shown start
echo "HUD on screen"

# P: the enemy in front of the spawn stops and the pause line shows; P again and it moves on.
before=$(yellow_share start 220 355 360 45)
xdotool key p
wait_for 60 "no pause line after P" pause_line_shown paused
wait_for 60 "the picture moves while paused" standing_still paused_still
xdotool key p
wait_for 60 "the picture stands still after P again" changed_from paused_still 0.01 resumed
echo "P pauses and resumes"

# The window losing the focus pauses; back in it, a click resumes.
root=$(xwininfo -root | awk '/Window id:/ { print $4 }')
xdotool windowfocus --sync "$root"
wait_for 60 "no pause line after the focus went elsewhere" pause_line_shown unfocused
wait_for 60 "the picture moves while the window has no focus" standing_still unfocused_still
xdotool windowfocus --sync "$window"
xdotool click 1
wait_for 60 "the picture stands still after a click" changed_from unfocused_still 0.01 clicked
echo "a focus change pauses, a click resumes"

# F11: full screen on the screen (1280 x 960), the HUD where it belongs in the new picture; F11
# again: the window as it was.
window_is() { # width height
  eval "$(xdotool getwindowgeometry --shell "$window")"
  [ "$WIDTH" -eq "$1" ] && [ "$HEIGHT" -eq "$2" ]
}
# The picture reaches the right and top edges (a picture that kept the old size leaves them black).
filled_to_the_edges() {
  hud_shown "$1" && greater 0.1 "$(dark_share "$1" 740 0 60 600)" &&
    greater 0.1 "$(dark_share "$1" 0 550 800 50)"
}
xdotool key F11
wait_for 60 "F11 did not fill the screen" window_is 1280 960
width=1280 height=960
wait_for 60 "the full-screen picture is not the screen's size, or has no HUD" filled_to_the_edges full_screen
xdotool key F11
wait_for 60 "F11 again did not bring the window back" window_is 1024 860
width=1024 height=860
wait_for 60 "no HUD in the window again" hud_shown windowed_again
echo "F11 switches full screen and back"

# Turn around to face the first wall (west, at x -8): 180 degrees is 216 pixels at the default
# sensitivity of 50 (1/60 degree per pixel each), then look down at it (39 degrees, 47 pixels).
# Only relative moves, as a mouse makes them; the first pixel tells the game where the pointer
# starts and may turn nothing.
xdotool mousemove_relative -- 1 0
xdotool mousemove_relative -- -217 0
xdotool mousemove_relative -- 0 47
wait_for 120 "the breakable wall (blue) is not in front" wall_in_front turned
echo "facing the first wall"

# Fly towards it at 6 units a second, whatever the frame rate: a second of W is 6 units, give or
# take a frame's worth, which brings it within the 5.5 units of reach without touching it.
xdotool keydown w
sleep 1
xdotool keyup w
wait_for 60 "the breakable wall (blue) is not in front after the flight" wall_in_front facing_wall
echo "in front of the first wall"

# Hold Space until the wall has faded: six seconds of attack destroy it.
xdotool keydown space
shot attacking
wait_for 300 "the wall did not fade" wall_faded destroyed
xdotool keyup space
echo "first wall destroyed"

# F2: a number appears where the frame-rate line stands (700, 500); F2 again hides it.
shot before_fps
before=$(yellow_share before_fps 690 490 100 40)
xdotool key F2
wait_for 60 "no frame-rate number after F2" fps_shown fps
echo "frame rate shown"
xdotool key F2
wait_for 60 "the frame-rate number stayed after F2 again" fps_hidden no_fps

# F3: wireframe, mostly the black clear colour between lines; F3 again fills the picture.
xdotool key F3
wait_for 60 "F3 did not turn the picture to lines" lines_only wireframe
echo "wireframe"
xdotool key F3
wait_for 60 "F3 again did not fill the picture" filled filled

# F4: cel shading changes the picture; F4 again brings the smooth shading back.
shot before_cel
xdotool key F4
wait_for 60 "F4 changed nothing" changed_from before_cel 0.01 cel
echo "cel shading"
xdotool key F4
wait_for 60 "F4 again did not bring the smooth shading back" unchanged_from before_cel 0.005 smooth

# F8: the destroyed wall is no longer drawn.
shot with_inactive
xdotool key F8
wait_for 60 "F8 changed nothing" changed_from with_inactive 0.003 without_inactive
echo "destroyed wall hidden"

# F6: the wall marker (yellow: the next wall's diamond or arrow and its distance) goes; F6 again
# brings it back.
marker_pixels() { convert "$out/$1.png" -fx "(r>0.85 && g>0.75 && b<0.3) ? 1 : 0" -format "%[fx:round(mean*w*h)]" info:; }
marker_shown() { shot "$1"; [ "$(marker_pixels "$1")" -gt 30 ]; }
marker_hidden() { shot "$1"; [ "$(marker_pixels "$1")" -lt 5 ]; }
wait_for 60 "no wall marker" marker_shown marker
xdotool key F6
wait_for 60 "F6 did not hide the wall marker" marker_hidden no_marker
xdotool key F6
wait_for 60 "F6 again did not bring the wall marker back" marker_shown marker_again
echo "wall marker hidden and shown"

# Escape quits with code 0.
xdotool key Escape
game_ended() { ! kill -0 "$pid" 2>/dev/null; }
wait_for 60 "the game did not end after Escape" game_ended
code=0
wait "$pid" || code=$?
pid=""
[ "$code" -eq 0 ] || fail "exit code $code after Escape"
echo "escape quits with code 0"
echo "all checks passed"
