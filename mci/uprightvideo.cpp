#include "uprightvideo.h"

#include "mpvhandle.h"

#include <mpv/client.h>

namespace mci {

std::string uprightFilter(int degrees)
{
    const int quarter = (((degrees % 360) + 360 + 45) / 90) % 4;
    switch (quarter) {
    case 1:
        return "lavfi-transpose=dir=clock";
    case 2:
        return "lavfi-hflip,lavfi-vflip";
    case 3:
        return "lavfi-transpose=dir=cclock";
    default:
        return {};
    }
}

int chooseUprightVideo(mpv_handle* mpv)
{
    int64_t chosen = -1;
    bool chosenIsDefault = false;
    int rotation = 0;
    const int64_t count = mpv::getInt(mpv, "track-list/count").value_or(0);
    for (int64_t i = 0; i < count; ++i) {
        const std::string prefix = "track-list/" + std::to_string(i) + "/";
        auto property = [&prefix](const char* name) { return prefix + name; };
        if (mpv::getString(mpv, property("type").c_str()).value_or("") != "video" ||
            mpv::getFlag(mpv, property("albumart").c_str()).value_or(false))
            continue;
        const bool isDefault = mpv::getFlag(mpv, property("default").c_str()).value_or(false);
        if (chosen >= 0 && (chosenIsDefault || !isDefault))
            continue;
        chosen = mpv::getInt(mpv, property("id").c_str()).value_or(-1);
        chosenIsDefault = isDefault;
        rotation = int(mpv::getInt(mpv, property("demux-rotation").c_str()).value_or(0));
    }
    if (chosen < 0)
        return 0;
    // Chosen here rather than by mpv, so the filter fits the track shown.
    mpv_set_property_string(mpv, "vid", std::to_string(chosen).c_str());
    const std::string filter = uprightFilter(rotation);
    mpv_set_property_string(mpv, "vf", filter.c_str());
    return rotation;
}

} // namespace mci
