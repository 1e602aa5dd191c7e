#pragma once

#include <QLoggingCategory>

namespace mci {

// norrava.media: media commands the player sent that failed, as warnings
// with the command and the reply; refusals the player expects are debug
// lines, off unless asked for (norrava.media.debug=true).
Q_DECLARE_LOGGING_CATEGORY(lcMedia)

// norrava.media.stats: playback counts (frames the engine dropped, frames
// the video panel was given and painted) as debug lines, printed as a
// device closes and as the panel goes. Off unless asked for, e.g. with
// QT_LOGGING_RULES=norrava.media.stats.debug=true (the playback benchmark).
Q_DECLARE_LOGGING_CATEGORY(lcMediaStats)

} // namespace mci
