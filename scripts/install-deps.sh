#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the game need. Idempotent and quiet:
# packages already installed are skipped, and apt runs only when something is missing.
set -euo pipefail

PACKAGES=(
  # build
  build-essential cmake ninja-build pkg-config git clang-format
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev python3 python3-pyelftools
  # libraries
  libsdl2-dev libx11-dev libpng-dev libjpeg62-turbo-dev zlib1g-dev libvorbis-dev libogg-dev
  libfreetype-dev libfontconfig-dev libxxhash-dev
  # the CJK font the text is drawn with
  fonts-wqy-microhei
  # the peers of the rasteriser benchmark (SDL2 above)
  libpixman-1-dev
  libavcodec-dev libavutil-dev libswresample-dev libswscale-dev
  # music: the MIDI synthesizer with a General MIDI soundfont, and the media demuxers
  libfluidsynth-dev timgm6mb-soundfont libavformat-dev
  # sound fixtures and their reference decodes (scripts/make-sound-seeds.sh) and the fuzz
  # targets (MORROW_FUZZ)
  sox vorbis-tools lame ffmpeg clang libclang-rt-14-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: run as root or install sudo" >&2; exit 1; }
  SUDO=(sudo)
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -qq
"${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
