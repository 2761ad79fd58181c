#!/usr/bin/env bash
# The game as a user gets it: installed with cmake --install into a scratch prefix ("install"),
# or packaged with CPack and unpacked with dpkg -x ("package"). Checks the installed layout
# (Debian's games layout, real files but for the font's link to Debian's DejaVu file, desktop
# entry, icons, manual pages, documents, metainfo), which image library the programs bind,
# and for the package its dependencies (Debian runtime libraries, libstb0 and the font),
# stripped binaries and lintian (no error or warning). Then starts the installed game from
# another folder on an Xvfb of its own for a few frames with a screenshot: exit code 0, the
# state line, and a picture of the lit level.
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
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf

if [ "$mode" = install ]; then
  prefix=$work/prefix
  cmake --install "$build" --prefix "$prefix" >"$work/install.log" ||
    { cat "$work/install.log"; fail "cmake --install failed"; }
  font_link=$font
elif [ "$mode" = package ]; then
  cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/package" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack failed"; }
  ! grep -i 'warning' "$work/cpack.log" || fail "cpack warned"
  debs=("$work"/package/*.deb)
  [ "${#debs[@]}" -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single package: ${debs[*]}"
  deb=${debs[0]}
  echo "package $(basename "$deb"), $(stat -c %s "$deb") bytes"
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "Depends: $depends"
  # Runtime libraries only: the game's own, never a development package; Debian's stb and the
  # font the game links to.
  for library in libglfw3 libglew libassimp libfreetype libbullet libopenal1 libsndfile1 \
    libstb0 fonts-dejavu-core libstdc++6 libc6; do
    grep -q "$library" <<<"$depends" || fail "$library missing from Depends"
  done
  ! grep -q -- '-dev' <<<"$depends" || fail "a development package in Depends"
  [ "$(dpkg-deb -f "$deb" Package)" = brindlemox ] || fail "package name"
  # Debian's checker, as a distribution runs it: an error or a warning fails.
  lintian --fail-on error,warning --display-info "$deb" >"$work/lintian.log" 2>&1 ||
    { cat "$work/lintian.log"; fail "lintian"; }
  echo "lintian: no error or warning"
  grep '^[A-Z]: ' "$work/lintian.log" | sed 's/^/  /' || true
  dpkg -x "$deb" "$work/root"
  prefix=$work/root/usr
  # The font link is relative within /usr; its file comes from fonts-dejavu-core, so the
  # unpacked tree gets it the way an installed system has it.
  font_link=../../../fonts/truetype/dejavu/DejaVuSans-Bold.ttf
  mkdir -p "$work/root$(dirname "$font")"
  ln -s "$font" "$work/root$font"
  for program in brindlemox brindlemox-levelbuilder; do
    ! grep -q '\.symtab\|\.debug_' <<<"$(readelf -S "$prefix/games/$program")" ||
      fail "games/$program is not stripped"
  done
  echo "stripped binaries"
else
  fail "unknown mode '$mode'"
fi

# The layout: Debian's games layout, whatever the prefix.
data=$prefix/share/games/brindlemox
[ -x "$prefix/games/brindlemox" ] || fail "no games/brindlemox"
for folder in Config Shader Levels Obj Texture Sound Fonts; do
  [ -d "$data/$folder" ] && [ ! -L "$data/$folder" ] ||
    fail "share/games/brindlemox/$folder is not a folder"
done
for file in Config/config.txt Shader/extendedVS.vs Levels/level1.txt Levels/level2.txt \
  Obj/level1.2.obj Obj/level2.fbx \
  Texture/waterDUDV.png Fonts/hud.ttf; do
  [ -f "$data/$file" ] || fail "no share/games/brindlemox/$file"
done
# The one link: the HUD font, to Debian's file.
[ "$(readlink "$data/Fonts/hud.ttf")" = "$font_link" ] ||
  fail "Fonts/hud.ttf links to '$(readlink "$data/Fonts/hud.ttf")', not $font_link"
links=$(find "$prefix" -type l ! -path "$data/Fonts/hud.ttf" ! -path "$prefix/share/fonts/*")
[ -z "$links" ] || fail "links instead of files: $links"
desktop=$prefix/share/applications/brindlemox.desktop
grep -qx 'Exec=brindlemox' "$desktop" && grep -qx 'Icon=brindlemox' "$desktop" ||
  fail "desktop entry without Exec=brindlemox and Icon=brindlemox"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
for size in 48 128 256; do
  icon=$prefix/share/icons/hicolor/${size}x${size}/apps/brindlemox.png
  [ "$(identify -format '%w %h' "$icon" 2>/dev/null)" = "$size $size" ] ||
    fail "no ${size} x ${size} icon"
done
metainfo=("$prefix"/share/metainfo/*.metainfo.xml)
[ -f "${metainfo[0]}" ] || fail "no metainfo"
appstreamcli validate --no-net "${metainfo[0]}" >"$work/appstream.log" 2>&1 ||
  { cat "$work/appstream.log"; fail "appstreamcli validate"; }
# The manual pages, made from each program's --help: they name its options.
for program in brindlemox brindlemox-levelbuilder; do
  page=$prefix/share/man/man6/$program.6.gz
  [ -f "$page" ] || fail "no manual page $program.6.gz"
  grep -qF -- '\-\-help' <<<"$(zcat "$page")" || fail "$program.6.gz without its options"
done
doc=$prefix/share/doc/brindlemox
for file in README.md LEVELS.md copyright changelog.gz; do
  [ -f "$doc/$file" ] || fail "no share/doc/brindlemox/$file"
done
grep -q '/usr/share/doc/brindlemox/LEVELS.md' <<<"$("$prefix/games/brindlemox-levelbuilder" --help)" ||
  fail "the level builder's --help does not point at the installed LEVELS.md"
echo "layout: games, share/games/brindlemox, font link, desktop entry, icons, metainfo," \
  "manual pages, documents"

# Debian's hardening flags in both programs: full RELRO, stack protector, fortified calls (not in
# a sanitizer build, which leaves them out).
if grep -q '^BRINDLEMOX_SANITIZE:BOOL=ON' "$build/CMakeCache.txt"; then
  echo "hardening: not checked in a sanitizer build"
else
  for program in brindlemox brindlemox-levelbuilder; do
    binary=$prefix/games/$program
    headers=$(readelf -d -lW "$binary")
    symbols=$(nm -D "$binary")
    grep -q 'BIND_NOW' <<<"$headers" && grep -q 'GNU_RELRO' <<<"$headers" ||
      fail "$program without full RELRO"
    grep -q ' __stack_chk_fail' <<<"$symbols" || fail "$program without the stack protector"
    grep -q ' __[a-z]*_chk' <<<"$symbols" || fail "$program without fortified calls"
  done
  echo "hardening: full RELRO, stack protector, fortified calls"
fi

# Both programs link Debian's stb (which calls bind to it is checked after the runs below).
for program in brindlemox brindlemox-levelbuilder; do
  grep -q 'NEEDED.*\[libstb\.so\.0\]' <<<"$(readelf -d "$prefix/games/$program")" ||
    fail "$program does not link libstb.so.0"
done

# A player's own level with the installed level builder: two text files, no C++ build. The
# model and its light map are written beside the level file, outside the game's data.
[ -x "$prefix/games/brindlemox-levelbuilder" ] || fail "no games/brindlemox-levelbuilder"
mine=$work/home/mine
mkdir -p "$mine"
sed 's|Obj/level3.fbx|Obj/pool.fbx|; s|Texture/level3.png|Texture/pool.png|' \
  "$support/../../tools/assetbuilder/levels/level3.txt" >"$mine/pool-geometry.txt"
sed 's|Obj/level3.fbx|Obj/pool.fbx|; s|^title .*|title My pool|' \
  "$data/Levels/level3.txt" >"$mine/pool.txt"
(cd "$work/home" && LD_DEBUG=bindings LD_DEBUG_OUTPUT="$work/bindings" \
  "$prefix/games/brindlemox-levelbuilder" mine/pool-geometry.txt mine \
  >"$work/builder.log" 2>&1) || { cat "$work/builder.log"; fail "the level builder failed"; }
[ -f "$mine/Obj/pool.fbx" ] && [ -f "$mine/Texture/pool.png" ] || fail "the level builder wrote nothing"
code=0
(cd "$work/home" && "$support/own_display.sh" timeout 600 "$prefix/games/brindlemox" \
  --level-file mine/pool.txt --at 20,8,8 --look 215,-20 --frames 10 \
  --screenshot "$work/home/mine.png" >"$work/stdout" 2>"$work/stderr" </dev/null) || code=$?
[ "$code" -eq 0 ] || { cat "$work/stdout" "$work/stderr"; fail "the player's level exited with $code"; }
grep -q '^state level=1 health=40 walls=0/1 ' "$work/stdout" ||
  fail "the player's level: $(tail -n 5 "$work/stdout")"
! grep -q "Failed to load texture\|error loading model" "$work/stdout" ||
  fail "the player's level lacks a file: $(grep 'Failed\|error' "$work/stdout")"
echo "a player's level built by the installed level builder and played"

# The installed game, started from another folder on an X server of its own.
mkdir -p "$work/home"
code=0
(cd "$work/home" && "$support/own_display.sh" timeout 600 env LD_DEBUG=bindings \
  LD_DEBUG_OUTPUT="$work/bindings" "$prefix/games/brindlemox" --frames 20 --screenshot "$work/home/shot.png" >"$work/stdout" 2>"$work/stderr" </dev/null) || code=$?
[ "$code" -eq 0 ] || { cat "$work/stdout" "$work/stderr"; fail "the installed game exited with $code"; }
grep '^state level=1 ' "$work/stdout" || fail "no state line: $(tail -n 5 "$work/stdout")"
[ -f "$work/home/shot.png" ] || fail "no screenshot"
mean=$(convert "$work/home/shot.png" -colorspace gray -format '%[fx:mean]' info:)
dark=$(convert "$work/home/shot.png" -colorspace gray -threshold 4% -format '%[fx:1-mean]' info:)
echo "screenshot: mean brightness $mean, dark share $dark"
awk -v m="$mean" -v d="$dark" 'BEGIN { exit !(m > 0.08 && d < 0.5) }' ||
  fail "the screenshot does not show the lit level"
# What each program bound its stb calls to (the game: textures and the screenshot; the level
# builder: the light map).
for program in brindlemox brindlemox-levelbuilder; do
  bound=$(cat "$work"/bindings.* | grep "binding file [^ ]*/games/$program .* symbol \`stbi" || true)
  [ -n "$bound" ] || fail "$program: no stb call bound"
  ! grep -v 'to [^ ]*/libstb\.so\.0 ' <<<"$bound" ||
    fail "$program: stb calls bound to another library than libstb.so.0"
  echo "$program: $(grep -c . <<<"$bound") stb calls bound to libstb.so.0"
done
echo "all checks passed"
