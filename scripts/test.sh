#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test with a private sound
# server and X display.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
source scripts/services.sh
norrava_start_pulse
norrava_start_xvfb
BUILD_DIR=${NORRAVA_BUILD_DIR:-build}
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)"
