#include "avlibrary.h"

#include <dlfcn.h>

#include <string>

namespace mci::av {
namespace {

// The library file names carry the major versions of the headers.
void* openLibrary(const char* name, unsigned major)
{
    const std::string versioned = std::string(name) + ".so." + std::to_string(major);
    return dlopen(versioned.c_str(), RTLD_LAZY | RTLD_LOCAL);
}

bool load(Library& library)
{
    void* const handles[] = {
        openLibrary("libavformat", LIBAVFORMAT_VERSION_MAJOR),
        openLibrary("libavcodec", LIBAVCODEC_VERSION_MAJOR),
        openLibrary("libavutil", LIBAVUTIL_VERSION_MAJOR),
        openLibrary("libswscale", LIBSWSCALE_VERSION_MAJOR),
    };
    for (void* handle : handles) {
        if (!handle)
            return false;
    }
    bool complete = true;
    auto find = [&](const char* name) -> void* {
        for (void* handle : handles) {
            if (void* symbol = dlsym(handle, name))
                return symbol;
        }
        complete = false;
        return nullptr;
    };
#define NORRAVA_AV_RESOLVE(ret, name, params) library.name = reinterpret_cast<decltype(library.name)>(find(#name));
    NORRAVA_AV_FUNCTIONS(NORRAVA_AV_RESOLVE)
#undef NORRAVA_AV_RESOLVE
    // Structures are read through these headers: the libraries must be the
    // ones they describe.
    return complete && library.avformat_version() >> 16 == LIBAVFORMAT_VERSION_MAJOR &&
           library.avcodec_version() >> 16 == LIBAVCODEC_VERSION_MAJOR &&
           library.avutil_version() >> 16 == LIBAVUTIL_VERSION_MAJOR &&
           library.swscale_version() >> 16 == LIBSWSCALE_VERSION_MAJOR;
}

} // namespace

const Library* library()
{
    // Loaded once and never unloaded: libmpv holds the same libraries.
    static const Library loaded = [] {
        Library library;
        if (!load(library))
            library = Library();
        return library;
    }();
    return loaded.avformat_version ? &loaded : nullptr;
}

void FormatCloser::operator()(AVFormatContext* context) const
{
    if (context)
        library()->avformat_close_input(&context);
}

void CodecCloser::operator()(AVCodecContext* context) const
{
    if (context)
        library()->avcodec_free_context(&context);
}

void PacketFree::operator()(AVPacket* packet) const
{
    if (packet)
        library()->av_packet_free(&packet);
}

void FrameFree::operator()(AVFrame* frame) const
{
    if (frame)
        library()->av_frame_free(&frame);
}

void ScalerFree::operator()(SwsContext* context) const
{
    if (context)
        library()->sws_freeContext(context);
}

} // namespace mci::av
