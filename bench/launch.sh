#!/usr/bin/env bash
# Start-up time: from exec until the player's main window is mapped on an X
# server, median of 10 launches, against the mpv player mapping its window
# for the same clip in the same run (launches alternate between the two).
#
#   bench/launch.sh [build-dir] [clip]
#
# Runs on a private Xvfb and PulseAudio server (no window manager). For the
# player it also counts its windows on the server at the moment the main
# window maps: the main window and the companions titled "... — Norrava <version>".
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
build="$(cd "$build" && pwd)"
clip="$(realpath "${2:-$here/../data/demo.mp4}")"
runs="${RUNS:-10}"

cmake --build "$build" --target norrava launchwatch -j2 >/dev/null
watch="$build/bench/launchwatch"
player="$build/app/norrava"
# The main window's title, as the player prints it for --version.
title="$("$player" --version)"

# shellcheck source=../scripts/services.sh
source "$here/../scripts/services.sh"
norrava_start_pulse
norrava_start_xvfb
unset QT_QPA_PLATFORM NORRAVA_AUDIO

ours=()
theirs=()
ours_cpu=()
theirs_cpu=()
launch_ours() {
    "$watch" --runs 1 --exact "$title" --suffix " $title" -- "$player" "$clip" 2>/dev/null | sed -n 1p || true
}
launch_mpv() {
    "$watch" --runs 1 --contains " - mpv" -- mpv --vo=x11 --no-config --really-quiet "$clip" 2>/dev/null | sed -n 1p || true
}
ms() { sed -n 's/.* map_ms \([0-9.]*\).*/\1/p' <<<"$1"; }
cpu() { sed -n 's/.* cpu_ms \([0-9.]*\).*/\1/p' <<<"$1"; }

# One launch each to warm the caches; not counted.
launch_ours >/dev/null
command -v mpv >/dev/null && launch_mpv >/dev/null

echo "== launch to main window mapped, $(basename "$clip"), $runs launches each"
for i in $(seq "$runs"); do
    line="$(launch_ours)"
    echo "norrava run $i: ${line#run 1 }"
    ours+=("$(ms "$line")")
    ours_cpu+=("$(cpu "$line")")
    if command -v mpv >/dev/null; then
        line="$(launch_mpv)"
        echo "mpv     run $i: ${line#run 1 }"
        theirs+=("$(ms "$line")")
        theirs_cpu+=("$(cpu "$line")")
    fi
done

summary() { # name "map times" "cpu times"
    python3 - "$@" <<'PY'
import statistics, sys
name = sys.argv[1]
times = [float(t) for t in sys.argv[2].split()]
cpu = [float(t) for t in sys.argv[3].split()]
if times:
    print("%-8s median_ms %.1f min_ms %.1f max_ms %.1f cpu_median_ms %.1f launches %d"
          % (name, statistics.median(times), min(times), max(times), statistics.median(cpu), len(times)))
PY
}
echo "(map_ms: exec to map, wall clock; cpu_ms: CPU the program used until then, all threads)"
summary norrava "${ours[*]}" "${ours_cpu[*]}"
if ((${#theirs[@]})); then
    summary mpv "${theirs[*]}" "${theirs_cpu[*]}"
else
    echo "mpv is not installed: no comparison"
fi
echo "goal: norrava median 140 ms or less"
