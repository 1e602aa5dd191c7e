# Sourced by the benchmark scripts: makes the clips they play, once, in
# <build-dir>/benchmedia. Each clip is written to a temporary name and
# renamed, so a run that is cut short leaves nothing half made.
# Also the two helpers that read their summary lines, and bench_python.

bench_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

# bench_python <arguments...>: python3 that can import this folder's modules
# (mpvipc) and writes no bytecode into it.
bench_python() {
    PYTHONPATH="$bench_dir${PYTHONPATH:+:$PYTHONPATH}" PYTHONDONTWRITEBYTECODE=1 python3 "$@"
}

# field <line> <name>: the number after " <name> " in a summary line.
field() {
    sed -n "s/.* $2 \([0-9.]*\).*/\1/p" <<<"$1"
}

# median <numbers...>
median() {
    python3 -c "import sys; v = sorted(float(x) for x in sys.argv[1:]); print(v[len(v) // 2] if v else 0)" "$@"
}

# bench_make <out> <ffmpeg arguments...>: runs ffmpeg to <out> unless it exists.
bench_make() {
    local out="$1"
    shift
    if [[ ! -s "$out" ]]; then
        echo "making $out" >&2
        local part="${out%.*}.part.${out##*.}"
        ffmpeg -nostdin -loglevel error -y "$@" "$part"
        mv "$part" "$out"
    fi
}

# Frame number N as 16 black/white blocks across a 320x240 picture's top
# half, bit 0 leftmost (as the tests' frame-numbered clips).
bench_numbers="format=gray,geq=lum='if(lt(Y,H/2),255*mod(floor(N/pow(2,floor(X*16/W))),2),128)'"

# bench_clip_1080p30 <build-dir>: a 30 s 1920x1080 30 fps H.264 clip with
# AAC stereo sound (moving test pattern, a tone); prints its path.
bench_clip_1080p30() {
    local out="$1/benchmedia/play_1080p30.mp4"
    mkdir -p "$1/benchmedia"
    bench_make "$out" -f lavfi -i "testsrc2=size=1920x1080:rate=30" \
        -f lavfi -i "sine=frequency=440:sample_rate=48000,aformat=channel_layouts=stereo" \
        -t 30 -c:v libx264 -preset veryfast -crf 23 -pix_fmt yuv420p \
        -c:a aac -b:a 128k -shortest
    echo "$out"
}

# bench_clip_gop1080 <build-dir>: 20 s of 1920x1080 25 fps H.264 with
# 250-frame GOPs and 2 B-frames, as broadcast and camcorder films are cut:
# the top half shows the frame number (blocks, as the tests draw them), the
# bottom half a moving test pattern, so decoding costs what a film's does;
# square pixels; AAC sound.
bench_clip_gop1080() {
    local out="$1/benchmedia/gop250_1080p25.mp4"
    mkdir -p "$1/benchmedia"
    bench_make "$out" -f lavfi -i "color=c=gray:size=320x240:rate=25" \
        -f lavfi -i "testsrc2=size=1920x540:rate=25" \
        -f lavfi -i "sine=frequency=440:sample_rate=48000" \
        -filter_complex "[0]$bench_numbers,scale=1920:1080:flags=neighbor,setsar=1,format=yuv420p[numbers];[numbers][1]overlay=0:540,format=yuv420p[v]" \
        -map "[v]" -map 2:a -t 20 -c:v libx264 -preset veryfast -crf 23 \
        -x264-params keyint=250:min-keyint=250:scenecut=0:bframes=2 -c:a aac -b:a 96k -shortest
    echo "$out"
}

# bench_clip_small40 <build-dir>: 40 s of 320x240 25 fps H.264 with sound.
bench_clip_small40() {
    local out="$1/benchmedia/small_320x240_40s.mp4"
    mkdir -p "$1/benchmedia"
    bench_make "$out" -f lavfi -i "testsrc2=size=320x240:rate=25" \
        -f lavfi -i "sine=frequency=440:sample_rate=44100" \
        -t 40 -c:v libx264 -preset veryfast -c:a aac -shortest
    echo "$out"
}

# bench_clip_hevc10 <build-dir>: 8 s of 1920x1080 25 fps HEVC Main 10 (one
# GOP, as x265 cuts a short clip), no sound.
bench_clip_hevc10() {
    local out="$1/benchmedia/hevc10_1080p_8s.mkv"
    mkdir -p "$1/benchmedia"
    bench_make "$out" -f lavfi -i "testsrc2=size=1920x1080:rate=25" -t 8 \
        -c:v libx265 -preset ultrafast -pix_fmt yuv420p10le -x265-params log-level=error
    echo "$out"
}

# bench_clip_film2h <build-dir>: a 2-hour 1920x1080 25 fps H.264 film with
# AAC sound, made by copying a 10 s clip 720 times into one MP4 (no
# re-encoding), so its index is as long as a real film's.
bench_clip_film2h() {
    local media="$1/benchmedia"
    local piece="$media/film_piece_10s.mp4"
    local out="$media/film_2h_1080p.mp4"
    mkdir -p "$media"
    bench_make "$piece" -f lavfi -i "testsrc2=size=1920x1080:rate=25" \
        -f lavfi -i "sine=frequency=440:sample_rate=48000" \
        -t 10 -c:v libx264 -preset veryfast -crf 30 -g 50 -pix_fmt yuv420p -c:a aac -b:a 64k -shortest
    if [[ ! -s "$out" ]]; then
        local list="$media/film_2h.txt"
        for _ in $(seq 720); do echo "file '$(realpath "$piece")'"; done >"$list"
        bench_make "$out" -f concat -safe 0 -i "$list" -c copy -movflags +faststart
        rm -f "$list"
    fi
    echo "$out"
}
