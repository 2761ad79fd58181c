#!/usr/bin/env bash
# Short demos of the game's rules (tests/demos/rules), each ending in the state it asserts: a
# wall held at through rock stays, a won level keeps its health. Played as timedemos by the real
# binary from a folder without data.
#   rule_demos.sh GAME_BINARY DEMO...
set -euo pipefail
game=$(realpath "$1")
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
for demo in "$@"; do
  demo=$(realpath "$demo")
  code=0
  (cd "$work" && timeout 600 "$game" --timedemo "$demo" >"$work/stdout" 2>&1 </dev/null) || code=$?
  if [ "$code" -ne 0 ] || ! grep -qxF "The replay ends in the demo's recorded state" "$work/stdout"; then
    echo "FAIL: $(basename "$demo"): exit code $code"
    echo "  asserted: state $(sed -n 's/^end //p' "$demo")"
    echo "  played:   $(grep '^state ' "$work/stdout" || true)"
    failures=$((failures + 1))
  else
    echo "$(basename "$demo"): $(grep '^state ' "$work/stdout")"
  fi
done
[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "all checks passed"
