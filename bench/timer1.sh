#!/usr/bin/env bash
# Cost of one tick of the main window's position poll (Tapp::Timer1Timer)
# with a 1080p30 clip loaded, in the real windows on a private Xvfb, with
# the peak meter reading a private PulseAudio null sink.
#
#   bench/timer1.sh [build-dir] [benchmark options]
#
# Goal: under 1 ms per tick.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
build="$(cd "$build" && pwd)"
shift || true

cmake --build "$build" --target timer1_bench -j2 >/dev/null
# shellcheck source=benchmedia.sh
source "$here/benchmedia.sh"
clip="$(bench_clip_1080p30 "$build")"

# shellcheck source=../scripts/services.sh
source "$here/../scripts/services.sh"
norrava_start_pulse
norrava_start_xvfb
unset NORRAVA_AUDIO
export QT_QPA_PLATFORM=xcb

"$build/bench/timer1_bench" "$clip" "$@" 2> >(grep -v "XDG_RUNTIME_DIR" >&2)
echo "goal: one tick under 1 ms (Time column: wall clock; CPU column: the benchmark thread's CPU)"
