#include "medialog.h"

namespace mci {

Q_LOGGING_CATEGORY(lcMedia, "norrava.media", QtInfoMsg)
// Counting costs a little per frame, so the counts are off by default.
Q_LOGGING_CATEGORY(lcMediaStats, "norrava.media.stats", QtInfoMsg)

} // namespace mci
