#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running ZEPHSE need.
# Only missing packages are installed; a second run costs nothing.
#   scripts/setup.sh            build, test and run dependencies
#   scripts/setup.sh --fuzz     also the clang toolchain for the fuzz targets
#   scripts/setup.sh --x11      also Xvfb and X tools for the display tests
#   scripts/setup.sh --bench    also the peer libraries that only benchmarks compare against
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache git
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libpng-dev libjpeg-dev libgif-dev libwebp-dev libpcre2-dev libicu-dev
  libcairo2-dev libpixman-1-dev libfreetype-dev libharfbuzz-dev libfontconfig-dev
  libcurl4-openssl-dev libsdl2-dev libsoxr-dev libsoxr0 libssl-dev libdbus-1-dev dbus-daemon
  fonts-dejavu-core
  libxml2-dev libxml2-utils libpugixml-dev libmuparser-dev liblua5.4-dev libpango1.0-dev libfftw3-dev
  python3 unzip zip
  sox lame python3-mutagen libtag1-dev libtotem-plparser-dev libogg-dev flac vorbis-tools opus-tools ffmpeg
)

for arg in "$@"; do
  case "$arg" in
    --fuzz) packages+=(clang libclang-rt-14-dev) ;;
    --x11) packages+=(xvfb x11-apps xdotool) ;;
    --bench) packages+=(qt6-base-dev) ;;
    *) echo "setup.sh: unknown option $arg" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
