#!/usr/bin/env bash
# The HUD's pictures of fair play, from the real binary: short demos over level files written
# here, each ending in a screenshot whose pixels are judged with ImageMagick. The loss screen
# shows "You lost!" and its countdown; a won level shows its card; a hit from the right flashes
# the right edge (and from the left, the left one); at Level 1's spawn looking down at the wall
# under the floor the crosshair stays white; the nearest wall is marked (a diamond over it in
# view, an arrow at the side edge when behind), unless wallMarker=no or F6 turns the marker off.
# Runs on the display it is given, with a player config of its own.
#   hud_pictures.sh GAME_BINARY OUTPUT_DIR
set -euo pipefail
game=$(realpath "$1")
out=$2
mkdir -p "$out"
out=$(realpath "$out")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The player's config is the test's: only what a case writes there counts.
export XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_CONFIG_HOME/brindlemox"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
greater() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }

# The window is 400 x 300: the HUD's 800 x 600 space at half size.
crop() { # name x y w h (HUD space, y up from the bottom)
  echo "$(($4 / 2))x$(($5 / 2))+$(($2 / 2))+$((300 - ($3 + $5) / 2))"
}
yellow_share() { # name x y w h
  convert "$out/$1.png" -crop "$(crop "$@")" +repage \
    -fx "(r>0.75 && g>0.6 && b<0.45) ? 1 : 0" -format "%[fx:mean]" info:
}
orange_share() { # the crosshair's colour on a wall within reach
  convert "$out/$1.png" -crop "$(crop "$@")" +repage \
    -fx "(r>0.8 && g>0.3 && g<0.6 && b<0.25) ? 1 : 0" -format "%[fx:mean]" info:
}
marker_pixels() { # name x y w h: pixels of the wall marker's yellow
  convert "$out/$1.png" -crop "$(crop "$@")" +repage \
    -fx "(r>0.85 && g>0.75 && b<0.3) ? 1 : 0" -format "%[fx:round(mean*w*h)]" info:
}
redness() { # name x y w h: mean of red over green
  convert "$out/$1.png" -crop "$(crop "$@")" +repage -format "%[fx:mean.r-mean.g]" info:
}

# A level file (the data folder's map) and a demo of FRAMES frames of SECONDS each holding KEYS.
level() { # name spawn... (lines)
  local name=$1
  shift
  printf '%s\n' "title Check" "map Obj/level1.2.obj" "light 16 8 0" "$@" >"$work/$name.txt"
}
play() { # name frames seconds keys [at look]; first_toggles: display keys of the first frame
  local name=$1 frames=$2 seconds=$3 keys=$4 toggles=${first_toggles:-}
  {
    echo "brindlemox demo 1"
    echo "level 1"
    echo "window 400 300"
    echo "sensitivity 50"
    [ -f "$work/$name.txt" ] && echo "levelfile $work/$name.txt"
    [ -n "${5:-}" ] && echo "at $5" && echo "look $6"
    for _ in $(seq "$frames"); do
      echo "f $seconds${keys:+ hold=$keys}${toggles:+ key=$toggles}"
      toggles=
    done
    echo "end level=1 health=0 walls=0/0 position=0,0,0 view=0,0 frames=$frames"
  } >"$work/$name.demo"
  (cd "$work" && timeout 600 "$game" --timedemo "$work/$name.demo" --screenshot "$out/$name.png" \
    >"$work/$name.out" 2>&1 </dev/null) || true
  state=$(grep '^state ' "$work/$name.out" || true)
  [ -f "$out/$name.png" ] || { fail "$name: no screenshot ($(tail -n 2 "$work/$name.out"))"; return 1; }
  echo "$name: $state"
}

# The loss screen: spawned inside an enemy with almost no health.
level lost "spawn 8 6 -4.5 90 0" "health 1" "enemy 8 6 0 x 1000000" "wall -8 0 0"
if play lost 10 0.1 ""; then
  greater "$(yellow_share lost 280 290 200 50)" 0.03 || fail "lost: no \"You lost!\""
  greater "$(yellow_share lost 150 240 500 40)" 0.03 || fail "lost: no countdown line"
fi

# The card of a won level: one wall right in front, broken at once.
level won "spawn -4 4 0 270 -45" "power 1000000" "wall -8 0 0"
if play won 8 0.1 Space; then
  grep -q "walls=1/1" <<<"$state" || fail "won: the wall stands ($state)"
  greater "$(yellow_share won 200 210 400 50)" 0.05 || fail "won: no card title"
  greater "$(yellow_share won 250 135 300 75)" 0.05 || fail "won: no time and health lines"
fi

# Hits from either side: the enemy at the player's right (+z), then at its left; each against
# the same run with a harmless enemy (the same physics, no flash).
for side in right left; do
  z=-5.2 && [ "$side" = left ] && z=5.2
  level "$side" "spawn 8 6 $z 90 0" "enemy 8 6 0 x 3" "wall -8 0 0"
  level "calm_$side" "spawn 8 6 $z 90 0" "enemy 8 6 0 x 0" "wall -8 0 0"
  play "$side" 3 0.0166 "" && play "calm_$side" 3 0.0166 "" || continue
  hit_right=$(awk -v a="$(redness "$side" 760 0 40 600)" -v b="$(redness "calm_$side" 760 0 40 600)" 'BEGIN { print a - b }')
  hit_left=$(awk -v a="$(redness "$side" 0 0 40 600)" -v b="$(redness "calm_$side" 0 0 40 600)" 'BEGIN { print a - b }')
  echo "hit from the $side: the right edge reddens by $hit_right, the left by $hit_left"
  flashed=$hit_right other=$hit_left
  [ "$side" = left ] && flashed=$hit_left other=$hit_right
  greater "$flashed" 0.08 || fail "a hit from the $side does not redden the $side edge"
  greater 0.02 "$other" || fail "a hit from the $side reddens the other edge too"
done

# Level 1's spawn looking down at the wall under the floor: not in reach, the crosshair white.
rm -f "$work/floor.txt"
if play floor 2 0.1 "" "0 8 0" "90 -80"; then
  ! greater "$(orange_share floor 380 285 40 30)" 0.01 || fail "floor: the crosshair says the wall is in reach"
fi

# The wall marker, one wall below and beside the spawn, in view (facing it) or behind. Columns:
# name, wallMarker, the first frame's toggles, where its yellow shows (over the wall: the middle
# of the screen and not the side edges; at a side edge and not the middle; nowhere), the facing.
while read -r name marker toggles where facing; do
  printf 'wallMarker=%s\n' "$marker" >"$XDG_CONFIG_HOME/brindlemox/config.txt"
  level "$name" "spawn -4 4 0 $facing" "wall -8 0 0"
  first_toggles=${toggles#-} play "$name" 3 0.1 "" || continue
  middle=$(marker_pixels "$name" 160 100 480 400)
  edges=$(($(marker_pixels "$name" 0 150 70 300) + $(marker_pixels "$name" 730 150 70 300)))
  echo "$name: $middle marker pixels in the middle, $edges at the side edges"
  case $where in
  over) [ "$middle" -gt 20 ] && [ "$edges" -eq 0 ] || fail "$name: no marker over the wall" ;;
  edge) [ "$edges" -gt 20 ] && [ "$middle" -eq 0 ] || fail "$name: no arrow at the side edge" ;;
  none) [ "$(marker_pixels "$name" 0 0 800 600)" -eq 0 ] || fail "$name: a marker shows" ;;
  esac
done <<'CASES'
marker_on      yes  -   over  270 -45
marker_behind  yes  -   edge  90 -45
marker_off     no   -   none  270 -45
marker_f6_off  yes  F6  none  270 -45
marker_f6_on   no   F6  edge  90 -45
CASES
rm -f "$XDG_CONFIG_HOME/brindlemox/config.txt"

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "all checks passed"
