#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

// FFmpeg's demuxing, decoding and scaling libraries, the very ones libmpv
// plays with, loaded on first use like libmpv itself (see mpvlibrary.cpp):
// linking them would bind their codec libraries at every start.
//
// The media layer uses them beside mpv where mpv has no way in: reading a
// file's last timestamps without decoding (the length in frames), and
// decoding a stretch of frames with the exact timestamp of each (the frames
// kept for stepping backwards).
namespace mci::av {

// X(return type, name, parameters)
#define NORRAVA_AV_FUNCTIONS(X)                                                                                      \
    X(unsigned, avformat_version, (void))                                                                            \
    X(unsigned, avcodec_version, (void))                                                                             \
    X(unsigned, avutil_version, (void))                                                                              \
    X(unsigned, swscale_version, (void))                                                                             \
    X(AVFormatContext*, avformat_alloc_context, (void))                                                              \
    X(int, avformat_open_input, (AVFormatContext**, const char*, const AVInputFormat*, AVDictionary**))              \
    X(void, avformat_close_input, (AVFormatContext**))                                                               \
    X(int, avformat_find_stream_info, (AVFormatContext*, AVDictionary**))                                            \
    X(int, av_read_frame, (AVFormatContext*, AVPacket*))                                                             \
    X(int, av_seek_frame, (AVFormatContext*, int, int64_t, int))                                                     \
    X(int64_t, avio_size, (AVIOContext*))                                                                            \
    X(int, avformat_index_get_entries_count, (const AVStream*))                                                      \
    X(const AVIndexEntry*, avformat_index_get_entry, (AVStream*, int))                                               \
    X(const AVCodec*, avcodec_find_decoder, (enum AVCodecID))                                                        \
    X(const AVCodecDescriptor*, avcodec_descriptor_get_by_name, (const char*))                                       \
    X(AVCodecContext*, avcodec_alloc_context3, (const AVCodec*))                                                     \
    X(void, avcodec_free_context, (AVCodecContext**))                                                                \
    X(int, avcodec_parameters_to_context, (AVCodecContext*, const AVCodecParameters*))                               \
    X(int, avcodec_open2, (AVCodecContext*, const AVCodec*, AVDictionary**))                                         \
    X(int, avcodec_send_packet, (AVCodecContext*, const AVPacket*))                                                  \
    X(int, avcodec_receive_frame, (AVCodecContext*, AVFrame*))                                                       \
    X(void, avcodec_flush_buffers, (AVCodecContext*))                                                                \
    X(AVPacket*, av_packet_alloc, (void))                                                                            \
    X(void, av_packet_free, (AVPacket**))                                                                            \
    X(void, av_packet_unref, (AVPacket*))                                                                            \
    X(AVFrame*, av_frame_alloc, (void))                                                                              \
    X(void, av_frame_free, (AVFrame**))                                                                              \
    X(void, av_frame_unref, (AVFrame*))                                                                              \
    X(struct SwsContext*, sws_getCachedContext,                                                                      \
      (struct SwsContext*, int, int, enum AVPixelFormat, int, int, enum AVPixelFormat, int, SwsFilter*, SwsFilter*,  \
       const double*))                                                                                               \
    X(void, sws_freeContext, (struct SwsContext*))                                                                   \
    X(int, sws_scale,                                                                                                \
      (struct SwsContext*, const uint8_t* const[], const int[], int, int, uint8_t* const[], const int[]))            \
    X(int, sws_setColorspaceDetails, (struct SwsContext*, const int[4], int, const int[4], int, int, int, int))      \
    X(const int*, sws_getCoefficients, (int))

struct Library {
#define NORRAVA_AV_POINTER(ret, name, params) ret(*name) params = nullptr;
    NORRAVA_AV_FUNCTIONS(NORRAVA_AV_POINTER)
#undef NORRAVA_AV_POINTER
};

// The libraries, loaded on the first call from any thread and kept; null
// when they are missing or are not the versions these headers describe.
const Library* library();

// Owners for the libraries' objects (null allowed).
struct FormatCloser {
    void operator()(AVFormatContext* context) const;
};
struct CodecCloser {
    void operator()(AVCodecContext* context) const;
};
struct PacketFree {
    void operator()(AVPacket* packet) const;
};
struct FrameFree {
    void operator()(AVFrame* frame) const;
};
struct ScalerFree {
    void operator()(SwsContext* context) const;
};

} // namespace mci::av
