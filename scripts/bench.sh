#!/usr/bin/env bash
# Builds the benchmark and the game (build-bench/, RelWithDebInfo) and prints the game's speed
# figures under Xvfb: frame time against the shading floor, start-up and Level 2 load against the
# bare context, main-thread CPU time per frame, its growth with the number of objects, the
# timedemo of each committed demo (tests/demos: frames, seconds, average, 1 % and 0.1 % low
# frame rates; each frame's time and what it built go to build-bench/frame-times/DEMO.csv and are
# drawn, both demos in one picture, into docs/frame-times.png), the redundant GL calls of each
# timedemo (apitrace, scripts/gl-redundant.py; BENCH_GL_KINDS=N also lists the N most frequent
# kinds) and (with valgrind) instruction counts of a fixed run of frames split into game and GL
# driver. Nothing is asserted.
# BENCH_QUICK=1 for fewer repetitions; BENCH_CALLGRIND=1 adds the valgrind figures (about ten
# minutes: the start-up runs under valgrind too).
# Extra arguments go to brindlemox_bench (e.g. --only a); --only f runs the timedemos alone.
# BENCH_BINARY, BENCH_GAME: run that benchmark or game binary instead (copies kept from before a
# change, for before-and-after figures).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-bench
"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRINDLEMOX_TESTS=OFF >/dev/null
targets=(brindlemox game_assets hud_font data_links)
[ -n "${BENCH_BINARY:-}" ] || targets+=(brindlemox_bench)
cmake --build "$build" -j"${JOBS:-2}" --target "${targets[@]}" >/dev/null
if [ -n "${BENCH_BINARY:-}" ]; then
  bench=$(realpath "$BENCH_BINARY")
else
  bench=$build/tools/benchmark/brindlemox_bench
fi
game=$(realpath "${BENCH_GAME:-$build/brindlemox}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
xvfb="xvfb-run -a -s \"-screen 0 1920x1080x24\""

# The frame, CPU and growth figures run with a warm shader cache of their own; the start-up
# figures make their own cold, warm and disabled caches.
export MESA_SHADER_CACHE_DIR=$work/mesa
# The game's own cache (the driver's mipmap levels) stays in the scratch folder too, and the
# player's own settings do not change the figures.
export XDG_CACHE_HOME=$work/cache XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/share
cd "$build/data"
timedemos_only=0
[ "$*" = "--only f" ] && timedemos_only=1
if [ "$timedemos_only" = 0 ]; then
  eval "$xvfb" "$bench" --child startup >/dev/null
  quick=()
  [ "${BENCH_QUICK:-0}" = 1 ] && quick=(--quick)
  eval "$xvfb" "$bench" "${quick[@]}" "$@"
fi

if [ "$timedemos_only" = 1 ] || [ $# -eq 0 ]; then
  echo
  echo "(f) Timedemos of the committed demos (tests/demos; the recorded window size, every frame"
  echo "    drawn, no waiting between frames):"
  traces=$build/frame-times
  rm -rf "$traces"
  mkdir -p "$traces"
  plots=()
  for demo in "$root"/tests/demos/*.demo; do
    name=$(basename "$demo" .demo)
    # A demo that no longer plays to its recorded end is said so (its figures are another run's).
    # Twice at most: xvfb-run -a can lose the race for a display number.
    for _ in 1 2; do
      eval "$xvfb" "$game" --timedemo "$demo" --frame-times "$traces/$name.csv" \
        >"$work/timedemo.log" 2>&1 || true
      grep -q '^timedemo ' "$work/timedemo.log" && break
    done
    sed -n -e 's|^timedemo '"$root"'/|    |p' -e 's|^\(The replay ends elsewhere.*\)|    \1|p' \
      -e 's|^\(Cannot play.*\)|    \1|p' "$work/timedemo.log"
    # A run that printed no figures says why.
    grep -q '^timedemo ' "$work/timedemo.log" ||
      echo "    $name: no timedemo figures: $(tail -n 1 "$work/timedemo.log")"
    [ -s "$traces/$name.csv" ] || continue
    # The slowest frames and what they did besides drawing (the columns after the time).
    echo "    slowest frames of $name: frame, ms, what it built"
    tail -n +2 "$traces/$name.csv" | sort -t, -k2,2 -g -r | head -n 5 |
      awk -F, -v header="$(head -n 1 "$traces/$name.csv")" '
        BEGIN { split(header, column, ",") }
        { what = ""
          for (i = 3; i <= NF; ++i) if ($i > 0) what = what " " column[i] "=" $i
          printf "      %5d %9.1f %s\n", $1, $2, what == "" ? " -" : what }'
    # Hitches: frames over twice the median of the 15 frames around them; a level's first two
    # frames (the demo's first two, and a frame that loads a level and the next) left out.
    awk -F, -v out="$traces/$name-hitches.csv" '
      NR == 1 { for (i = 3; i <= NF; ++i) { column[i] = $i; if ($i == "level_loads") loads = i }; next }
      { n++; frame[n] = $1; ms[n] = $2; what[n] = ""
        for (i = 3; i <= NF; ++i) if ($i > 0) what[n] = what[n] " " column[i] "=" $i
        if (loads && $loads > 0) { skip[n] = 1; skip[n + 1] = 1 } }
      END {
        skip[1] = skip[2] = 1
        print "frame,ms" > out
        found = 0
        for (k = 1; k <= n; ++k) {
          if (skip[k]) continue
          m = 0
          for (j = k - 7; j <= k + 7; ++j) if (j >= 1 && j <= n) window[++m] = ms[j]
          # Insertion sort of at most 15 values.
          for (a = 2; a <= m; ++a) { v = window[a]; for (b = a - 1; b >= 1 && window[b] > v; --b) window[b + 1] = window[b]; window[b + 1] = v }
          median = m % 2 ? window[(m + 1) / 2] : (window[m / 2] + window[m / 2 + 1]) / 2
          if (ms[k] > 2 * median) {
            if (!found) printf "    hitches of %s: frame, ms, median of the 15 around it, what it built\n", name
            printf "      %5d %9.1f %9.1f %s\n", frame[k], ms[k], median, what[k] == "" ? " -" : what[k]
            print frame[k] "," ms[k] > out
            found++
          }
        }
        if (!found) printf "    hitches of %s: none\n", name
      }' name="$name" "$traces/$name.csv"
    average=$(awk -F, 'NR > 1 { sum += $2; n++ } END { printf "%.3f", n ? sum / n : 0 }' \
      "$traces/$name.csv")
    plots+=("'$traces/$name.csv' using 1:2 with lines lw 1.5 lc $(( ${#plots[@]} / 3 + 1 )) title '$name'")
    plots+=("$average with lines dt 2 lc $(( ${#plots[@]} / 3 + 1 )) title '$name average ($average ms)'")
    plots+=("'$traces/$name-hitches.csv' using 1:2 with points pt 7 ps 1.2 lc $(( ${#plots[@]} / 3 + 1 )) title '$name hitches'")
  done
  if [ ${#plots[@]} -gt 0 ]; then
    (IFS=,; gnuplot -e "
      set terminal pngcairo size 1200,600 font 'DejaVu Sans,10';
      set output '$root/docs/frame-times.png';
      set datafile separator ',';
      set key autotitle columnhead top right;
      set title 'Timedemos of the committed demos: frame time per frame (llvmpipe under Xvfb)';
      set xlabel 'frame';
      set ylabel 'frame time (ms, logarithmic)';
      set logscale y;
      set yrange [4:4000];
      set ytics (5, 10, 20, 50, 100, 200, 500, 1000, 2000);
      set grid;
      plot ${plots[*]}")
    echo "    frame times drawn into docs/frame-times.png"
  fi
fi

if { [ "$timedemos_only" = 1 ] || [ $# -eq 0 ]; } && command -v apitrace >/dev/null; then
  echo
  echo "(g) GL calls of the committed demos' timedemos (apitrace): the share that sets a binding,"
  echo "    a uniform or a state to the value it already has, and the calls per frame:"
  for demo in "$root"/tests/demos/*.demo; do
    name=$(basename "$demo" .demo)
    eval "$xvfb" apitrace trace -o "$work/$name.trace" "$game" --timedemo "$demo" \
      >"$work/apitrace.log" 2>&1 || true
    if [ ! -s "$work/$name.trace" ]; then
      echo "    $name: no trace: $(tail -n 1 "$work/apitrace.log")"
      continue
    fi
    apitrace dump --color=never --multiline=false "$work/$name.trace" |
      python3 "$root/scripts/gl-redundant.py" "$name" "${BENCH_GL_KINDS:-0}" | sed 's/^/    /'
    rm -f "$work/$name.trace"
  done
fi

if [ "$timedemos_only" = 0 ] && [ "${BENCH_CALLGRIND:-0}" = 1 ] && command -v valgrind >/dev/null; then
  frames=${BENCH_CALLGRIND_FRAMES:-5}
  # A tiny window, so the driver's rasteriser threads matter as little as possible.
  tiny=$work/tiny
  mkdir -p "$tiny/Config"
  for d in Obj Shader Texture Fonts Levels; do ln -s "$build/data/$d" "$tiny/$d"; done
  printf 'width=128\nheight=108\n' >"$tiny/Config/config.txt"
  cd "$tiny"
  eval "$xvfb" valgrind --tool=callgrind --toggle-collect='*countedFrames*' \
    --callgrind-out-file="$work/callgrind.out" "$bench" --child callgrind "$frames" \
    >"$work/callgrind.log" 2>&1 || { tail -n 20 "$work/callgrind.log"; exit 1; }
  echo
  echo "(c') Instructions per frame (callgrind, $frames frames of Level 2 over the water, all three"
  echo "     passes, 128 x 108 window, main thread only), by where they run:"
  # Self cost per function with its object: Mesa, LLVM and the shader code they generate (no
  # object) are the driver; the C library serves both and is shown apart.
  callgrind_annotate --auto=no --inclusive=no --threshold=100 "$work/callgrind.out" 2>/dev/null |
    awk -v frames="$frames" '
      /^ *[0-9][0-9,]* / {
        n = $1; gsub(",", "", n)
        obj = "?"
        if ($0 ~ /\[/) { obj = $0; sub(/.*\[/, "", obj); sub(/\].*/, "", obj) }
        if ($0 ~ /PROGRAM TOTALS/) next
        if (obj ~ /(dri|gallium|LLVM|glapi|GLX|GLdispatch|libGL|libdrm|libxcb|libX|zstd|^\?\?\?$)/) driver += n
        else if (obj ~ /libc\.so/) libc += n
        else game += n
      }
      END {
        printf "     game (its code, libstdc++, Bullet, GLFW) %12.0f\n", game / frames
        printf "     C library (both sides)                   %12.0f\n", libc / frames
        printf "     GL driver (Mesa, LLVM, generated code)   %12.0f\n", driver / frames
      }'
fi
