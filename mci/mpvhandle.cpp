#include "mpvhandle.h"

#include <mpv/client.h>

#include <clocale>
#include <cstdint>

namespace mci::mpv {

mpv_handle* create(std::initializer_list<std::pair<const char*, const char*>> extraOptions)
{
    // mpv refuses to start unless numbers are formatted the C way.
    std::setlocale(LC_NUMERIC, "C");
    mpv_handle* handle = mpv_create();
    if (!handle)
        return nullptr;
    static const std::pair<const char*, const char*> kCommon[] = {
        {"config", "no"},
        {"load-scripts", "no"},
        // Nor the built-in ones: each runs a Lua interpreter on a thread of
        // its own, and the console loads the fonts for its text.
        {"load-stats-overlay", "no"},
        {"load-osd-console", "no"},
        {"load-auto-profiles", "no"},
        {"ytdl", "no"},
        {"osc", "no"},
        {"terminal", "no"},
        {"input-default-bindings", "no"},
        {"input-vo-keyboard", "no"},
        {"input-cursor", "no"},
        {"osd-level", "0"},
        {"idle", "yes"},
        {"pause", "yes"},
        {"keep-open", "yes"},
        {"keep-open-pause", "yes"},
        {"hr-seek", "yes"},
        {"hwdec", "no"},
        {"sid", "no"},
        {"sub-auto", "no"},
        {"audio-file-auto", "no"},
        {"cover-art-auto", "no"},
        {"audio-display", "no"},
        {"resume-playback", "no"},
        {"save-position-on-quit", "no"},
        {"load-unsafe-playlists", "no"},
        {"access-references", "no"},
        // libavformat for every file: mpv's own playlist, EDL and cue
        // readers would go on to open the files such a file names.
        {"demuxer", "lavf"},
        {"ordered-chapters", "no"},
        {"rebase-start-time", "yes"},
        {"video-latency-hacks", "no"},
        {"gapless-audio", "no"},
    };
    for (const auto& [name, value] : kCommon)
        mpv_set_option_string(handle, name, value); // an option this mpv lacks is harmless
    for (const auto& [name, value] : extraOptions)
        mpv_set_option_string(handle, name, value);
    mpv_request_log_messages(handle, "no");
    if (mpv_initialize(handle) < 0) {
        mpv_terminate_destroy(handle);
        return nullptr;
    }
    return handle;
}

void destroy(mpv_handle* handle)
{
    if (handle)
        mpv_terminate_destroy(handle);
}

std::optional<double> getDouble(mpv_handle* handle, const char* name)
{
    double value = 0;
    if (mpv_get_property(handle, name, MPV_FORMAT_DOUBLE, &value) < 0)
        return std::nullopt;
    return value;
}

std::optional<int64_t> getInt(mpv_handle* handle, const char* name)
{
    int64_t value = 0;
    if (mpv_get_property(handle, name, MPV_FORMAT_INT64, &value) < 0)
        return std::nullopt;
    return value;
}

std::optional<bool> getFlag(mpv_handle* handle, const char* name)
{
    int value = 0;
    if (mpv_get_property(handle, name, MPV_FORMAT_FLAG, &value) < 0)
        return std::nullopt;
    return value != 0;
}

std::optional<std::string> getString(mpv_handle* handle, const char* name)
{
    char* value = mpv_get_property_string(handle, name);
    if (!value)
        return std::nullopt;
    std::string result(value);
    mpv_free(value);
    return result;
}

} // namespace mci::mpv
