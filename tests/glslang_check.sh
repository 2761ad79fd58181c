#!/usr/bin/env bash
# Every shader program of the game through glslangValidator (Debian's glslang-tools), with no
# display: each stage as the game compiles it (shadercheck --expand puts the includes in place),
# the stages of a program linked together. What only the driver catches is shaders_compile's.
#   glslang_check.sh SHADERCHECK DATA_DIR
set -euo pipefail
shadercheck=$1
data=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}
command -v glslangValidator >/dev/null || fail "no glslangValidator (package glslang-tools)"
mkdir "$work/programs"
"$shadercheck" --expand "$data" "$work/programs" >"$work/list" ||
  { cat "$work/list"; fail "shadercheck --expand failed"; }
# Every stage of Shader/ belongs to a program, so a new one is checked too.
for file in "$data"/Shader/*; do
  [ "${file##*.}" != glsl ] || continue
  stem=$(basename "${file%.*}")
  compgen -G "$work/programs/*/$stem.*" >/dev/null || fail "$(basename "$file") is in no program"
done
count=0
while read -r program; do
  glslangValidator -l "$work/programs/$program"/* >"$work/log" 2>&1 ||
    { cat "$work/log"; fail "$program"; }
  # Warnings are shown, not failed: the driver's check decides what it accepts.
  grep -i 'warning' "$work/log" || true
  echo "  $program: $(cd "$work/programs/$program" && echo *)"
  count=$((count + 1))
done <"$work/list"
[ "$count" -gt 0 ] || fail "no program"
echo "glslangValidator accepts all $count programs"
