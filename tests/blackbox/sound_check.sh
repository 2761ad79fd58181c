#!/usr/bin/env bash
# The real binary's sound, heard through OpenAL Soft's wave-file output: a committed demo played
# as a timedemo is audible and differs between left and right; --mute opens no device; without a
# device, without Sound/ or with a sound file of NaN samples the game says so in one line. Every run ends in the demo's recorded
# state. Writes the mix and its spectrogram into OUTPUT for a person to look at and listen to.
#   sound_check.sh GAME_BINARY DEMO OUTPUT
set -euo pipefail
game=$(realpath "$1")
demo=$(realpath "$2")
out=$3
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

data=$(dirname "$game")/data
recorded="state $(sed -n 's/^end //p' "$demo")"
wave_config() { printf '[general]\ndrivers = wave\n[wave]\nfile = %s\n' "$2" >"$1"; }

# Plays the demo with the environment given; the run must end in the recorded state.
play() {
  local name=$1
  shift
  code=0
  (cd "$work" && timeout 900 env "$@" "$game" --timedemo "$demo" $extra >"$work/stdout" \
    2>"$work/stderr" </dev/null) || code=$?
  state=$(grep '^state ' "$work/stdout" || true)
  [ "$code" -eq 0 ] && [ "$state" = "$recorded" ] ||
    fail "$name: exit code $code, state '$state', recorded '$recorded'; $(tail -n 3 "$work/stderr")"
}
# RMS level in dB of one channel (1 left, 2 right) or of left minus right (d).
level() {
  local remix=$2
  [ "$remix" = d ] && remix=1,2v-1
  sox "$1" -n remix "$remix" stats 2>&1 | sed -n 's/^RMS lev dB *//p'
}
# The game's lines about its sound.
sound_lines() { grep -E '^(No sound device|No Sound/|Sound file)' "$work/stderr"; }
loud() { awk -v l="$1" -v min="$2" 'BEGIN { exit !(l != "-inf" && l + 0 > min) }'; }

# Heard: the mix of the whole demo.
wave_config "$work/wave.conf" "$out/mix.wav"
extra=
play "wave output" ALSOFT_CONF="$work/wave.conf"
left=$(level "$out/mix.wav" 1)
right=$(level "$out/mix.wav" 2)
difference=$(level "$out/mix.wav" d)
echo "mix: left $left dB, right $right dB, left minus right $difference dB"
loud "$left" -45 && loud "$right" -45 || fail "the mix is not audible: left $left, right $right"
loud "$difference" -60 || fail "left and right are the same: difference $difference"
sox "$out/mix.wav" -n spectrogram -x 1600 -y 513 -z 90 -t "$(basename "$demo")" \
  -o "$out/mix_spectrogram.png" 2>/dev/null || fail "no spectrogram"

# --mute: no device is opened, so the wave output never starts.
wave_config "$work/mute.conf" "$work/mute.wav"
extra=--mute
play "--mute" ALSOFT_CONF="$work/mute.conf"
if [ -e "$work/mute.wav" ] && loud "$(level "$work/mute.wav" 1)" -100; then
  fail "--mute is not silent"
fi
if sound_lines >/dev/null; then fail "--mute: a line about sound: $(sound_lines)"; fi

# No device: one line, the same run.
extra=
play "no device" ALSOFT_DRIVERS=none-here
[ "$(sound_lines || true)" = "No sound device: playing without sound" ] ||
  fail "no device: not the one line: $(sound_lines)"

# No Sound/: one line, the same run.
mkdir "$work/nosound"
for entry in "$data"/*; do
  [ "$(basename "$entry")" = Sound ] || ln -s "$entry" "$work/nosound/"
done
extra="--data $work/nosound"
wave_config "$work/nosound.conf" "$work/nosound.wav"
play "no Sound/" ALSOFT_CONF="$work/nosound.conf"
[ "$(sound_lines || true)" = "No Sound/ folder: playing without sound" ] ||
  fail "no Sound/: not the one line: $(sound_lines)"

# A sound file of NaN samples is damaged like any other: one line, and a few frames play on.
mkdir -p "$work/nan/Sound"
for entry in "$data"/*; do
  [ "$(basename "$entry")" = Sound ] || ln -s "$entry" "$work/nan/"
done
ln -s "$data"/Sound/*.wav "$work/nan/Sound/"
rm "$work/nan/Sound/water.wav"
{ # a mono WAV of sixteen 32-bit float NaN samples at 22050 Hz
  printf 'RIFF\x64\0\0\0WAVEfmt \x10\0\0\0\x03\0\x01\0\x22\x56\0\0\x88\x58\x01\0\x04\0\x20\0'
  printf 'data\x40\0\0\0'
  for _ in $(seq 16); do printf '\0\0\xc0\x7f'; done
} >"$work/nan/Sound/water.wav"
wave_config "$work/nan.conf" "$work/nan.wav"
code=0
(cd "$work" && timeout 300 env ALSOFT_CONF="$work/nan.conf" "$game" --data "$work/nan" --frames 5 \
  >"$work/stdout" 2>"$work/stderr" </dev/null) || code=$?
said=$(cat "$work/stdout" "$work/stderr" | grep -E '^(No sound device|No Sound/|Sound file)' || true)
expected="Sound file Sound/water.wav is missing or damaged: that sound stays silent"
[ "$code" -eq 0 ] && [ "$said" = "$expected" ] || fail "NaN samples: exit code $code, '$said'"

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "all checks passed; the mix and its spectrogram are in $out"
