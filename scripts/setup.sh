#!/usr/bin/env bash
# Installs every Debian package needed to build, run and test Norrava.
# Safe to run again: packages already present are skipped.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config git
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libmpv-dev mpv
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev
  libfluidsynth-dev timgm6mb-soundfont
  libpulse-dev pulseaudio pulseaudio-utils
  libgtest-dev libgmock-dev libbenchmark-dev
  ffmpeg xvfb x11-utils libx11-dev xdotool openbox imagemagick
  dbus-daemon dbus-bin
  clang libclang-rt-14-dev clang-format
  fonts-dejavu-core
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
