#!/usr/bin/env bash
# Writes the sound fixtures under tests/data/sound/: short sounds in every coding the decoder
# takes, each with the reference decode of the tool that made it. The decoding tests compare
# against these decodes and the fuzz targets start from the coded files.
#
#   *.wav, *.ogg, *.mp3   coded files (sox, oggenc, lame)
#   *.ref.raw             16-bit signed little-endian PCM decoded by the same tool
#
# Needs sox, vorbis-tools and lame. The output is committed; run again only to change it. Every file
# is made in a temporary folder first, then copied beside its fixture and renamed over it once all
# of them are there, so a run that fails (a missing tool, a full disk) leaves every fixture as it
# was. Exit 2 on a usage error.
set -euo pipefail
if [ $# -ne 0 ]; then
  echo "usage: bash scripts/make-sound-seeds.sh" >&2
  exit 2
fi
for tool in sox oggenc oggdec lame; do
  command -v "$tool" >/dev/null ||
    { echo "make-sound-seeds: $tool is not installed (sox, vorbis-tools, lame)" >&2; exit 1; }
done
dest="$(cd "$(dirname "$0")/.." && pwd)/tests/data/sound"
mkdir -p "$dest"
work="$(mktemp -d)"
staged=()
trap 'rm -rf "$work"; rm -f "${staged[@]}"' EXIT
out="$work/out"
mkdir "$out"
cd "$work"

# Sources: a chord that sweeps, so that every block differs and a decode that drops or repeats
# samples shows. -R keeps sox's output the same on every run.
sox -R -n -r 8000 -c 1 -b 16 mono8k.wav synth 0.5 sine 300-900 sine 1250 gain -6
sox -R -n -r 11025 -c 2 -b 16 stereo11k.wav synth 0.25 sine 200-600 sine 700-350 gain -6
sox -R -n -r 22050 -c 2 -b 16 stereo22k.wav synth 0.3 sine 330-660 sine 440 gain -6
sox -R -n -r 22050 -c 1 -b 16 mono22k.wav synth 0.5 sine 220-880 gain -6

coded() {  # NAME SOURCE SOX-OPTIONS...
  local name=$1 src=$2
  shift 2
  sox -R "$src" "$@" "$out/$name.wav"
  sox -R "$out/$name.wav" -t raw -e signed -b 16 -L "$out/$name.ref.raw"
}
coded pcm16_mono mono8k.wav -e signed -b 16
coded pcm8_stereo stereo11k.wav -e unsigned -b 8
# More than 16 bits: sox writes integers with the extensible format tag (0xFFFE) and floats with
# tag 3; the decoder takes both through the coded-data path and delivers 16 bits. The references
# are ffmpeg's 16-bit conversion (sox's, without dither, where ffmpeg is missing).
wide() {  # NAME SOURCE SOX-OPTIONS...
  local name=$1 src=$2
  shift 2
  sox -R "$src" "$@" "$out/$name.wav"
  if command -v ffmpeg >/dev/null; then
    ffmpeg -v error -i "$out/$name.wav" -acodec pcm_s16le -f s16le -y "$out/$name.ref.raw"
  else
    sox -R -D "$out/$name.wav" -t raw -e signed -b 16 -L "$out/$name.ref.raw"
  fi
}
wide extensible_mono mono8k.wav -e signed -b 24
# Wide sources of their own, so that the bits below the top 16 are not all zero.
sox -R -n -r 11025 -c 2 -b 32 -e signed wide11k.wav synth 0.2 sine 230-610 sine 830-290 gain -4
sox -R -n -r 8000 -c 1 -b 32 -e floating-point float8k.wav synth 0.3 sine 180-950 gain -3
wide extensible_s32_stereo wide11k.wav -e signed -b 32
wide extensible_s24_stereo wide11k.wav -e signed -b 24
wide float_stereo wide11k.wav -e floating-point -b 32
wide double_mono float8k.wav -e floating-point -b 64
coded alaw_mono mono8k.wav -e a-law
coded ulaw_stereo stereo11k.wav -e u-law
coded gsm_mono mono8k.wav -e gsm-full-rate
coded ima_mono mono8k.wav -e ima-adpcm
coded ima_stereo stereo11k.wav -e ima-adpcm
coded msadpcm_mono mono8k.wav -e ms-adpcm
coded msadpcm_stereo stereo11k.wav -e ms-adpcm

oggenc -Q -q 0 --serial 1 -o "$out/vorbis_stereo.ogg" stereo22k.wav
oggdec -Q -R -o "$out/vorbis_stereo.ref.raw" "$out/vorbis_stereo.ogg"
# A mono stream to chain behind the stereo one (no decode: a chain ends where the layout changes).
sox -R -n -r 22050 -c 1 -b 16 mono22k_short.wav synth 0.1 sine 500
oggenc -Q -q 0 --serial 2 -o "$out/vorbis_mono.ogg" mono22k_short.wav
# And a stereo one of its own serial number, which a chain may go on with.
sox -R mono22k_short.wav -c 2 stereo22k_short.wav
oggenc -Q -q 0 --serial 3 -o "$out/vorbis_stereo_short.ogg" stereo22k_short.wav
oggdec -Q -R -o "$out/vorbis_stereo_short.ref.raw" "$out/vorbis_stereo_short.ogg"

# Layer-3 with both tags: an ID3v2 head (padded) and a 128-byte ID3v1 tail.
lame --quiet -m m -b 32 --resample 22.05 --add-id3v2 --pad-id3v2 --tt "seed" --ta "morrow" \
  mono22k.wav "$out/mpeg_tags.mp3"
lame --quiet --decode -t "$out/mpeg_tags.mp3" "$out/mpeg_tags.ref.raw"
# Without tags, stereo MPEG-1.
lame --quiet -m j -b 64 --resample 32 -t stereo22k.wav "$out/mpeg_plain.mp3"
lame --quiet --decode -t "$out/mpeg_plain.mp3" "$out/mpeg_plain.ref.raw"

# Every file is made: each is copied beside its fixture under a temporary name, and only when all
# the copies are whole are they renamed over the fixtures.
for file in "$out"/*; do
  copy="$dest/.$(basename "$file").tmp"
  staged+=("$copy")
  cp "$file" "$copy"
done
for copy in "${staged[@]}"; do
  name=$(basename "$copy" .tmp)
  mv -f "$copy" "$dest/${name#.}"
done
staged=()
du -cb "$dest" | tail -1
