#!/usr/bin/env bash
# Builds the libFuzzer targets (tests/fuzz: the readers of the configuration, models, demos, level
# files, sound files and the level builder's descriptions) with clang and runs each for a bounded
# time (seconds, default 60) on a copy of its corpus kept in tests/fuzz/corpus/<name>.
# The model target needs a display: without one the script runs itself under Xvfb.
set -euo pipefail
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 640x480x24" "$0" "$@"
fi
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=$root/build-fuzz
CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBRINDLEMOX_FUZZ=ON -DBRINDLEMOX_TESTS=OFF >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target fuzz_targets
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=detect_leaks=0
export MESA_SHADER_CACHE_DIR=$work/mesa
for source in "$root"/tests/fuzz/fuzz_*.cpp; do
  name=$(basename "$source" .cpp)
  name=${name#fuzz_}
  target=$build/tests/fuzz/fuzz_$name
  mkdir -p "$work/$name"
  seeds=()
  [ -d "$root/tests/fuzz/corpus/$name" ] && seeds=("$root/tests/fuzz/corpus/$name")
  echo "fuzzing $name for ${seconds}s"
  (cd "$work" && "$target" -max_total_time="$seconds" -rss_limit_mb=4096 -print_final_stats=1 \
     "$work/$name" "${seeds[@]}" 2>&1 | tail -n 12)
done
