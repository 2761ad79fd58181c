#!/usr/bin/env bash
# Demos the real binary must refuse: missing, not a file, not a demo, another version, cut short,
# damaged. Each gets one line on standard error naming the file and what is wrong, and exit code
# 1, before any window opens (so no display is needed) and without a crash.
#   demo_files.sh GAME_BINARY GOOD_DEMO
set -euo pipefail
game=$(realpath "$1")
good=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

header='brindlemox demo 1\nlevel 1\nwindow 1024 860\nsensitivity 50\n'
printf 'brindlemox demo 2\nlevel 1\n' >"$work/version2.demo"
head -c "$(($(stat -c %s "$good") / 2))" "$good" >"$work/half.demo"
grep -v '^end ' "$good" >"$work/no_end.demo"
head -c 4096 /dev/urandom >"$work/noise.demo"
printf "${header}f 0.1 hold=W,R\nend x\n" >"$work/bad_key.demo"
printf "${header}f 1e999\nend x\n" >"$work/huge_delta.demo"
printf "brindlemox demo 1\nlevel 7\nwindow 1024 860\nsensitivity 50\nf 0.1\nend x\n" \
  >"$work/level7.demo"
printf "brindlemox demo 1\nlevel 1\nwindow 9000 860\nsensitivity 50\nf 0.1\nend x\n" \
  >"$work/huge_window.demo"
mkdir "$work/folder.demo"
mkfifo "$work/pipe.demo"
ln -s "$work/loop.demo" "$work/loop.demo"
cp "$good" "$work/unreadable.demo"
chmod 000 "$work/unreadable.demo"

# file | the line's text after "Cannot play the demo FILE: "
cases=(
  "$work/missing.demo|No such file or directory"
  "$work/loop.demo|Too many levels of symbolic links"
  "$work/huge_window.demo|line 3: the window is WIDTH HEIGHT, each from 1 to 8192"
  "$work/folder.demo|not a regular file of at most 128 MB"
  "$work/pipe.demo|not a regular file of at most 128 MB"
  "/dev/zero|not a regular file of at most 128 MB"
  "$work/version2.demo|a demo of format version 2; this game plays version 1"
  "$work/no_end.demo|cut short after $(grep -c '^f ' "$work/no_end.demo") frames (no end line)"
  "$work/bad_key.demo|line 5: unknown or repeated key in 'hold=W,R'"
  "$work/huge_delta.demo|line 5: no delta time from 0 to 1000000000 s"
  "$work/level7.demo|it starts at level 7, and this game has 2"
  "$work/noise.demo|"
)
# Root reads any file whatever its mode.
if [ "$(id -u)" -ne 0 ]; then
  cases+=("$work/unreadable.demo|Permission denied")
else
  echo "SKIP: unreadable.demo (root reads any file)"
fi
cases+=(
  "$work/half.demo|"
)
for option in --replay --timedemo; do
  for c in "${cases[@]}"; do
    IFS='|' read -r file reason <<<"$c"
    code=0
    (cd "$work" && timeout 60 env -u DISPLAY "$game" "$option" "$file" \
      >"$work/stdout" 2>"$work/stderr" </dev/null) || code=$?
    err=$(cat "$work/stderr")
    name="$option $(basename "$file")"
    if [ "$code" -ne 1 ]; then
      echo "FAIL: $name: exit code $code, expected 1: $err"
      failures=$((failures + 1))
    elif [ "$(wc -l <"$work/stderr")" -ne 1 ] || [ -s "$work/stdout" ]; then
      echo "FAIL: $name: not one line on standard error and nothing else: $err $(cat "$work/stdout")"
      failures=$((failures + 1))
    elif [ -n "$reason" ] && [ "$err" != "Cannot play the demo $file: $reason" ]; then
      echo "FAIL: $name: '$err'"
      failures=$((failures + 1))
    elif [[ "$err" != "Cannot play the demo $file: "* ]]; then
      echo "FAIL: $name: '$err'"
      failures=$((failures + 1))
    else
      echo "$name: $err"
    fi
  done
done
# A name with terminal escape sequences is shown escaped, never raw.
code=0
(cd "$work" && timeout 60 env -u DISPLAY "$game" --replay $'\e]0;owned\a\e[31mred.demo' \
  >"$work/stdout" 2>"$work/stderr" </dev/null) || code=$?
if [ "$code" -ne 1 ] || ! grep -qxF "Cannot play the demo $work/"'\x1b]0;owned\x07\x1b[31mred.demo: No such file or directory' \
  "$work/stderr"; then
  echo "FAIL: escaped name: exit code $code: $(cat -v "$work/stderr")"
  failures=$((failures + 1))
else
  echo "escaped name: $(cat "$work/stderr")"
fi

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "all checks passed"
