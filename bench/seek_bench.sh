#!/usr/bin/env bash
# Exact-seek and open latency of the video device, compared with the mpv
# player on the same clips and seeks.
#
#   bench/seek_bench.sh [build-dir]
#
# Makes a 320x240 and a 1920x1080 frame-numbered H.264 clip with sound (in
# <build-dir>/benchmedia, kept for later runs), then measures over 30 seeks
# each the time from "seek to N" until frame N has been rendered (median and
# 90th percentile), and the time from open until the first frame has been
# rendered. When the mpv command-line player is installed, the same seeks go
# through its JSON IPC ("seek <t> absolute+exact" until "playback-restart",
# null outputs) and the ratios are printed.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
build="$(cd "$build" && pwd)"
media="$build/benchmedia"
mkdir -p "$media"

cmake --build "$build" --target seek_bench -j2 >/dev/null
bench="$build/bench/seek_bench"
# shellcheck source=benchmedia.sh
source "$here/benchmedia.sh"

# Frame number N as 16 black/white blocks across the top half.
numbers="format=gray,geq=lum='if(lt(Y,H/2),255*mod(floor(N/pow(2,floor(X*16/W))),2),128)'"

make_clip() { # name width height seconds
    local out="$media/$1.mp4"
    if [[ ! -s "$out" ]]; then
        echo "making $out" >&2
        ffmpeg -loglevel error -y -f lavfi -i "color=c=gray:size=320x240:rate=25" \
            -f lavfi -i "sine=frequency=440:sample_rate=44100" \
            -vf "$numbers,scale=$2:$3:flags=neighbor,format=yuv420p" -t "$4" \
            -c:v libx264 -preset veryfast -c:a aac -shortest "$out.part.mp4"
        mv "$out.part.mp4" "$out"
    fi
    echo "$out"
}

small="$(make_clip bench_320x240 320 240 12)"
large="$(make_clip bench_1920x1080 1920 1080 10)"

# The same 30 frames for every run.
targets() { # frames
    python3 -c "import random; r = random.Random(7); print(' '.join(str(r.randrange($1)) for _ in range(30)))"
}

mpv_ipc() { # clip frames...
    bench_python - "$@" <<'PY'
import sys, time
from mpvipc import Mpv

clip, frames = sys.argv[1], [int(f) for f in sys.argv[2:]]
fps = 25.0
with Mpv("--hr-seek=yes") as mpv:
    opens = []
    for _ in range(5):
        start = time.perf_counter()
        mpv.send("loadfile", clip)
        mpv.wait_event("playback-restart", timeout=20)
        opens.append((time.perf_counter() - start) * 1000)
        if len(opens) == 1:
            cold = (time.perf_counter() - mpv.spawned) * 1000
    seeks, exact = [], 0
    for n in frames:
        start = time.perf_counter()
        mpv.send("seek", "%.6f" % (n / fps), "absolute+exact")
        mpv.wait_event("playback-restart", timeout=20)
        seeks.append((time.perf_counter() - start) * 1000)
        pos = mpv.get_property("time-pos")
        exact += pos is not None and round(pos * fps) == n
    seeks.sort()
    med = seeks[len(seeks) // 2]
    p90 = seeks[min(len(seeks) - 1, int(0.9 * (len(seeks) - 1) + 0.5))]
    print("mpv cold_start_ms %.1f open_first_ms %.1f open_median_ms %.1f seek_median_ms %.1f seek_p90_ms %.1f exact %d/%d"
          % (cold, opens[0], sorted(opens)[2], med, p90, exact, len(frames)))
PY
}


ratio() {
    python3 -c "print('%.2f' % ($1 / $2) if $2 > 0 else 'n/a')"
}

# Rounds alternate between the two players, so that whatever else the
# machine is doing weighs on both alike; the figures are medians of rounds.
rounds=3
for clip in "$small" "$large"; do
    frames="$(ffprobe -v error -select_streams v:0 -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$clip")"
    list="$(targets "$frames")"
    echo "== $(basename "$clip") ($frames frames, $rounds rounds of 30 seeks)"
    declare -A ours=() theirs=()
    for ((round = 0; round < rounds; ++round)); do
        # shellcheck disable=SC2086
        run="$(NORRAVA_AUDIO=null "$bench" "$clip" 3 $list)"
        line="$(tail -n 1 <<<"$run")"
        echo "  norrava $line; $(grep '^length' <<<"$run")"
        for key in open_first_ms seek_median_ms seek_p90_ms; do
            ours[$key]+=" $(field "$line" $key)"
        done
        if command -v mpv >/dev/null; then
            # shellcheck disable=SC2086
            line="$(mpv_ipc "$clip" $list)"
            echo "  $line"
            for key in cold_start_ms open_first_ms seek_median_ms seek_p90_ms; do
                theirs[$key]+=" $(field "$line" $key)"
            done
        fi
    done
    # shellcheck disable=SC2086
    {
        o_open=$(median ${ours[open_first_ms]}); o_med=$(median ${ours[seek_median_ms]}); o_p90=$(median ${ours[seek_p90_ms]})
    }
    echo "norrava: open to first rendered frame $o_open ms; seek to frame rendered: median $o_med ms, p90 $o_p90 ms"
    if command -v mpv >/dev/null; then
        # shellcheck disable=SC2086
        {
            m_cold=$(median ${theirs[cold_start_ms]}); m_open=$(median ${theirs[open_first_ms]})
            m_med=$(median ${theirs[seek_median_ms]}); m_p90=$(median ${theirs[seek_p90_ms]})
        }
        echo "mpv:     process start to first frame $m_cold ms (first loadfile $m_open ms); seek to playback-restart: median $m_med ms, p90 $m_p90 ms"
        echo "ratio norrava/mpv: seek median $(ratio "$o_med" "$m_med"), seek p90 $(ratio "$o_p90" "$m_p90"), open $(ratio "$o_open" "$m_cold") (vs mpv's process start), $(ratio "$o_open" "$m_open") (vs its first loadfile)"
    else
        echo "mpv is not installed: no comparison"
    fi
    unset ours theirs
done
