#!/usr/bin/env bash
# Installs what is needed, builds, and starts the player on the given file,
# or on the bundled demo clip.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
BUILD_DIR=${NORRAVA_BUILD_DIR:-build}
MEDIA=${1:-data/demo.mp4}
exec "$BUILD_DIR/app/norrava" "$MEDIA"
