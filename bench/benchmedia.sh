# Sourced by the benchmark scripts: makes the clips they play, once, in
# <build-dir>/benchmedia.

# bench_clip_1080p30 <build-dir>: a 30 s 1920x1080 30 fps H.264 clip with
# AAC stereo sound (moving test pattern, a tone); prints its path.
bench_clip_1080p30() {
    local media="$1/benchmedia"
    local out="$media/play_1080p30.mp4"
    mkdir -p "$media"
    if [[ ! -s "$out" ]]; then
        echo "making $out" >&2
        ffmpeg -loglevel error -y -f lavfi -i "testsrc2=size=1920x1080:rate=30" \
            -f lavfi -i "sine=frequency=440:sample_rate=48000,aformat=channel_layouts=stereo" \
            -t 30 -c:v libx264 -preset veryfast -crf 23 -pix_fmt yuv420p \
            -c:a aac -b:a 128k -shortest "$out.part.mp4"
        mv "$out.part.mp4" "$out"
    fi
    echo "$out"
}
