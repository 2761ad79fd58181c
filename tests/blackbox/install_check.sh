#!/usr/bin/env bash
# The game as a user gets it: installed with cmake --install into a scratch prefix ("install"),
# or packaged with CPack and unpacked with dpkg -x ("package"). Checks the installed layout
# (real files, desktop entry, icons), the package's dependencies (Debian runtime libraries), then
# starts the installed game from another folder on an Xvfb of its own for a few frames with a
# screenshot: exit code 0, the state line, and a picture of the lit level.
#   install_check.sh BUILD_DIR install|package
set -euo pipefail
build=$(realpath "$1")
mode=$2
support=$(cd "$(dirname "$0")/../support" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}

if [ "$mode" = install ]; then
  prefix=$work/prefix
  cmake --install "$build" --prefix "$prefix" >"$work/install.log" ||
    { cat "$work/install.log"; fail "cmake --install failed"; }
elif [ "$mode" = package ]; then
  cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/package" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack failed"; }
  debs=("$work"/package/*.deb)
  [ "${#debs[@]}" -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single package: ${debs[*]}"
  deb=${debs[0]}
  echo "package $(basename "$deb"), $(stat -c %s "$deb") bytes"
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "Depends: $depends"
  # Runtime libraries only: the game's own, never a development package.
  for library in libglfw3 libglew libassimp libfreetype libbullet libopenal1 libsndfile1 \
    libstdc++6 libc6; do
    grep -q "$library" <<<"$depends" || fail "$library missing from Depends"
  done
  ! grep -q -- '-dev' <<<"$depends" || fail "a development package in Depends"
  [ "$(dpkg-deb -f "$deb" Package)" = brindlemox ] || fail "package name"
  dpkg -x "$deb" "$work/root"
  prefix=$work/root/usr
else
  fail "unknown mode '$mode'"
fi

# The layout.
[ -x "$prefix/bin/brindlemox" ] || fail "no bin/brindlemox"
for folder in Config Shader Levels Obj Texture Fonts; do
  [ -d "$prefix/share/brindlemox/$folder" ] && [ ! -L "$prefix/share/brindlemox/$folder" ] ||
    fail "share/brindlemox/$folder is not a folder"
done
for file in Config/config.txt Shader/extendedVS.vs Levels/level1.txt Levels/level2.txt \
  Obj/level1.2.obj Obj/level2.fbx \
  Texture/waterDUDV.png Fonts/hud.ttf; do
  [ -f "$prefix/share/brindlemox/$file" ] || fail "no share/brindlemox/$file"
done
links=$(find "$prefix" -type l)
[ -z "$links" ] || fail "links instead of files: $links"
desktop=$prefix/share/applications/brindlemox.desktop
grep -qx 'Exec=brindlemox' "$desktop" && grep -qx 'Icon=brindlemox' "$desktop" ||
  fail "desktop entry without Exec=brindlemox and Icon=brindlemox"
for size in 48 128 256; do
  icon=$prefix/share/icons/hicolor/${size}x${size}/apps/brindlemox.png
  [ "$(identify -format '%w %h' "$icon" 2>/dev/null)" = "$size $size" ] ||
    fail "no ${size} x ${size} icon"
done
echo "layout: bin, share/brindlemox, desktop entry, icons"

# A player's own level with the installed level builder: two text files, no C++ build. The
# model and its light map are written beside the level file, outside the game's data.
[ -x "$prefix/bin/brindlemox-levelbuilder" ] || fail "no bin/brindlemox-levelbuilder"
mine=$work/home/mine
mkdir -p "$mine"
sed 's|Obj/level3.fbx|Obj/pool.fbx|; s|Texture/level3.png|Texture/pool.png|' \
  "$support/../../tools/assetbuilder/levels/level3.txt" >"$mine/pool-geometry.txt"
sed 's|Obj/level3.fbx|Obj/pool.fbx|; s|^title .*|title My pool|' \
  "$prefix/share/brindlemox/Levels/level3.txt" >"$mine/pool.txt"
(cd "$work/home" && "$prefix/bin/brindlemox-levelbuilder" mine/pool-geometry.txt mine \
  >"$work/builder.log" 2>&1) || { cat "$work/builder.log"; fail "the level builder failed"; }
[ -f "$mine/Obj/pool.fbx" ] && [ -f "$mine/Texture/pool.png" ] || fail "the level builder wrote nothing"
code=0
(cd "$work/home" && "$support/own_display.sh" timeout 600 "$prefix/bin/brindlemox" \
  --level-file mine/pool.txt --at 20,8,8 --look 215,-20 --frames 10 \
  --screenshot "$work/home/mine.png" >"$work/stdout" 2>"$work/stderr" </dev/null) || code=$?
[ "$code" -eq 0 ] || { cat "$work/stdout" "$work/stderr"; fail "the player's level exited with $code"; }
grep -q '^state level=1 health=40 walls=0/1 ' "$work/stdout" ||
  fail "the player's level: $(tail -n 5 "$work/stdout")"
! grep -q "Failed to load texture\|error loading model" "$work/stderr" ||
  fail "the player's level lacks a file: $(grep 'Failed\|error' "$work/stderr")"
echo "a player's level built by the installed level builder and played"

# The installed game, started from another folder on an X server of its own.
mkdir -p "$work/home"
code=0
(cd "$work/home" && "$support/own_display.sh" timeout 600 "$prefix/bin/brindlemox" --frames 20 \
  --screenshot "$work/home/shot.png" >"$work/stdout" 2>"$work/stderr" </dev/null) || code=$?
[ "$code" -eq 0 ] || { cat "$work/stdout" "$work/stderr"; fail "the installed game exited with $code"; }
grep '^state level=1 ' "$work/stdout" || fail "no state line: $(tail -n 5 "$work/stdout")"
[ -f "$work/home/shot.png" ] || fail "no screenshot"
mean=$(convert "$work/home/shot.png" -colorspace gray -format '%[fx:mean]' info:)
dark=$(convert "$work/home/shot.png" -colorspace gray -threshold 4% -format '%[fx:1-mean]' info:)
echo "screenshot: mean brightness $mean, dark share $dark"
awk -v m="$mean" -v d="$dark" 'BEGIN { exit !(m > 0.08 && d < 0.5) }' ||
  fail "the screenshot does not show the lit level"
echo "all checks passed"
