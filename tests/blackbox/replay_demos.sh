#!/usr/bin/env bash
# The committed demos played back by the real binary as timedemos, from a folder without data:
# each must end in the state its demo recorded (the replay check, without waiting between frames)
# and print its frame-rate figures, and write its frame-time trace: one row per frame, the
# work it did noted on the frame that did it. Runs on the display it is given (the suite's Xvfb). The
# paced --replay is checked on a freshly recorded demo by record_and_replay.sh.
#   replay_demos.sh GAME_BINARY DEMO...
set -euo pipefail
game=$(realpath "$1")
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
for demo in "$@"; do
  demo=$(realpath "$demo")
  recorded="state $(sed -n 's/^end //p' "$demo")"
  for option in --timedemo; do
    code=0
    rm -f "$work/times.csv"
    (cd "$work" && timeout 900 "$game" "$option" "$demo" --frame-times "$work/times.csv" \
      >"$work/stdout" 2>"$work/stderr" </dev/null) || code=$?
    state=$(grep '^state ' "$work/stdout" || true)
    name="$option $(basename "$demo")"
    if [ "$code" -ne 0 ] || [ "$state" != "$recorded" ]; then
      echo "FAIL: $name: exit code $code"
      echo "  recorded: $recorded"
      echo "  played:   $state"
      tail -n 5 "$work/stdout" "$work/stderr"
      failures=$((failures + 1))
      continue
    fi
    grep -qxF "The replay ends in the demo's recorded state" "$work/stderr" ||
      { echo "FAIL: $name: no verdict line"; failures=$((failures + 1)); }
    if [ "$option" = --timedemo ]; then
      figures=$(grep "^timedemo $demo: " "$work/stdout" || true)
      frames=$(grep -c '^f ' "$demo")
      pattern="^timedemo .*: $frames frames in [0-9.]+ s, [0-9.]+ fps average, [0-9.]+ fps 1 % low, [0-9.]+ fps 0.1 % low$"
      grep -Eq "$pattern" <<<"$figures" ||
        { echo "FAIL: $name: figures '$figures'"; failures=$((failures + 1)); }
      echo "$figures"
      header="frame,ms,level_loads,shader_compiles,program_links,texture_uploads,generated_textures,model_builds,glyph_sets,hud_pictures,particle_starts,first_draws,water_passes,spark_draws"
      [ "$(head -n 1 "$work/times.csv")" = "$header" ] ||
        { echo "FAIL: $name: trace header '$(head -n 1 "$work/times.csv")'"; failures=$((failures + 1)); }
      [ "$(tail -n +2 "$work/times.csv" | awk -F, 'NF == 14 && $1 == NR && $2 > 0' | wc -l)" = "$frames" ] ||
        { echo "FAIL: $name: trace rows"; failures=$((failures + 1)); }
      # The HUD picture is built once its lines have stayed the same for two frames; a wall's
      # sparks start on the first frame Space is held at it.
      events=$(awk -F, 'NR > 1 && $10 > 0 && !hud { hud = $1 } NR > 1 && $11 > 0 && !sparks { sparks = $1 }
        END { print hud "," sparks }' "$work/times.csv")
      space=$(grep '^f ' "$demo" | grep -n 'hold=[^ ]*Spac' | head -n 1 | cut -d: -f1)
      [ "$events" = "2,$space" ] ||
        { echo "FAIL: $name: first HUD picture and sparks on frames $events, not 2,$space"; failures=$((failures + 1)); }
    else
      echo "$name: $state"
    fi
  done
done
[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "all checks passed"
