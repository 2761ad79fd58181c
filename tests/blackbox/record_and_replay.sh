#!/usr/bin/env bash
# A demo recorded from the real binary driven by X input events (tests/demos/record.sh, on an
# Xvfb of its own, a pause among them) and replayed twice by the same binary on the display it
# is given: both replays end in the state the recording ended in.
#   record_and_replay.sh GAME_BINARY RECORD_SCRIPT OUTPUT_DIR
set -euo pipefail
game=$(realpath "$1")
record=$2
out=$(realpath -m "$3")
mkdir -p "$out"
demo=$out/recorded.demo
rm -f "$demo"
"$record" "$game" "$demo" short
recorded="state $(sed -n 's/^end //p' "$demo")"
grep -q ' pause=on' "$demo" && grep -q ' pause=off' "$demo" || { echo "FAIL: no pause recorded"; exit 1; }
echo "recorded: $recorded"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for run in 1 2; do
  code=0
  (cd "$work" && timeout 900 "$game" --replay "$demo" >"$work/stdout" 2>"$work/stderr" \
    </dev/null) || code=$?
  state=$(grep '^state ' "$work/stdout" || true)
  if [ "$code" -ne 0 ] || [ "$state" != "$recorded" ]; then
    echo "FAIL: replay $run: exit code $code"
    echo "  recorded: $recorded"
    echo "  replayed: $state"
    tail -n 5 "$work/stdout" "$work/stderr"
    exit 1
  fi
  echo "replay $run: $state"
done
echo "all checks passed"
