#pragma once

#include <string>

struct mpv_handle;

namespace mci {

// mpv's software renderer cannot turn pictures: handed one that the file
// asks to show rotated, it trips an assertion and takes the process down.
// So a player that renders runs with mpv's own rotation switched off
// ("video-rotate=no"), and when a file has been opened, before any decoder
// exists (mpv's "on_preloaded" hook), chooseUprightVideo() picks its video
// track and has a filter turn that track's pictures upright. Every size mpv
// reports after that is the displayed one.

// The filters that turn a picture recorded with a clockwise display
// rotation of `degrees` upright; "" when none is needed. Angles between
// quarter turns go to the nearest one.
std::string uprightFilter(int degrees);

// Selects the file's main video track (the one flagged default, else the
// first that is not a cover picture) and sets the filters that show it
// upright. Returns the track's rotation in clockwise degrees.
int chooseUprightVideo(mpv_handle* mpv);

} // namespace mci
