#!/usr/bin/env bash
# The real game binary played through X input events (xdotool) under its own Xvfb, judged only
# by what a player sees: window pixels and standard output.
#   play_binary.sh GAME_BINARY DATA_DIR OUTPUT_DIR
# Start, the HUD on screen, fly to the first wall of Level 1 and destroy it, F2 shows a number
# where the frame-rate line stands, F3 turns the picture to lines, F4 changes the shading, F8
# hides the destroyed wall, Escape quits with code 0.
set -euo pipefail
game=$1
data=$2
out=$3

if [ -z "${BRINDLEMOX_BLACKBOX_DISPLAY:-}" ]; then
  # An X server of our own on a display number it picks itself once it is listening, so no other
  # server, stale lock or socket can be in the way.
  numberfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x960x24 -nolisten tcp 3>"$numberfile" 2>/dev/null &
  xvfb=$!
  for _ in $(seq 1 100); do
    [ -s "$numberfile" ] && break
    sleep 0.1
  done
  number=$(head -n 1 "$numberfile")
  rm -f "$numberfile"
  if [ -z "$number" ]; then
    echo "FAIL: Xvfb did not start"
    kill "$xvfb" 2>/dev/null || true
    exit 1
  fi
  export DISPLAY=:$number BRINDLEMOX_BLACKBOX_DISPLAY=1
  unset XAUTHORITY
  code=0
  "$0" "$@" || code=$?
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
  exit "$code"
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

key_hold() { xdotool keydown "$1"; sleep "$2"; xdotool keyup "$1"; }
key_tap() { xdotool key "$1"; sleep 1.5; }

cd "$data"
"$game" >"$work/stdout" 2>"$work/stderr" </dev/null &
pid=$!

window=""
for _ in $(seq 1 120); do
  window=$(xdotool search --name '^Brindlemox$' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  kill -0 "$pid" 2>/dev/null || fail "the game ended at start"
  sleep 0.5
done
[ -n "$window" ] || fail "no window titled Brindlemox"
eval "$(xdotool getwindowgeometry --shell "$window")"
width=$WIDTH
height=$HEIGHT
echo "window $window: ${width} x ${height}"
[ "$width" -eq 1024 ] && [ "$height" -eq 860 ] || fail "window is ${width} x ${height}, not 1024 x 860"

# Let the first level load and a few frames run.
for _ in $(seq 1 60); do
  grep -q "Texture/red.bmp" "$work/stdout" && break
  sleep 0.5
done
sleep 4
grep -q "Compiling shader : Shader/extendedVS.vs" "$work/stdout" || fail "no shader report on standard output"
shot start

# The HUD: black title and health text at (30, 50) and (30, 90) over the lit level.
text=$(dark_share start 30 45 100 75)
greater "$text" 0.08 || fail "no HUD text where the title and health lines stand ($text dark)"
echo "HUD on screen"

# Turn around to face the first wall (west, at x -8): 180 degrees is 216 pixels at the default
# sensitivity of 50 (1/60 degree per pixel each), then look down at it (39 degrees, 47 pixels).
xdotool mousemove 640 480
sleep 1
xdotool mousemove_relative -- -216 0
sleep 1
xdotool mousemove_relative -- 0 47
sleep 1
# Fly 4.5 units towards it at 6 units a second.
key_hold w 0.75
sleep 1
shot facing_wall
read -r wr wg wb <<<"$(region facing_wall 250 150 300 300)"
greater "$wb" "$wr" || fail "the breakable wall (blue) is not in front ($wr $wg $wb)"
echo "in front of the first wall"

# Hold Space: six seconds of attack destroy it; give the frame rate some slack.
xdotool keydown space
sleep 3
shot attacking
sleep 6
xdotool keyup space
sleep 1
shot destroyed
read -r dr dg db <<<"$(region destroyed 250 150 300 300)"
greater "$dr" "$db" || fail "the wall did not fade ($dr $dg $db)"
echo "first wall destroyed"

# F2: a number appears where the frame-rate line stands (700, 500).
before=$(yellow_share destroyed 690 490 100 40)
key_tap F2
shot fps
after=$(yellow_share fps 690 490 100 40)
greater "$after" "$(awk -v b="$before" 'BEGIN { print b + 0.02 }')" || fail "no frame-rate number ($before -> $after)"
echo "frame rate shown"
key_tap F2

# F3: wireframe, mostly the black clear colour between lines.
key_tap F3
shot wireframe
lines=$(black_share wireframe)
greater "$lines" 0.4 || fail "F3 did not turn the picture to lines ($lines black)"
echo "wireframe"
key_tap F3

# F4: cel shading changes the picture.
shot before_cel
key_tap F4
shot cel
change=$(difference before_cel cel)
greater "$change" 0.01 || fail "F4 changed nothing ($change)"
echo "cel shading"
key_tap F4

# F8: the destroyed wall is no longer drawn.
shot with_inactive
key_tap F8
shot without_inactive
change=$(difference with_inactive without_inactive)
greater "$change" 0.003 || fail "F8 changed nothing ($change)"
echo "destroyed wall hidden"

# Escape quits with code 0.
xdotool key Escape
code=0
for _ in $(seq 1 40); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.25
done
wait "$pid" || code=$?
pid=""
[ "$code" -eq 0 ] || fail "exit code $code after Escape"
echo "escape quits with code 0"
echo "all checks passed"
