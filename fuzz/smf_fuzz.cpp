// Feeds arbitrary bytes to the MIDI file reader and checks what it promises:
// no crash, no read outside the buffer, and a consistent song when it accepts.
#include "fuzzinput.h"
#include "smfreader.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string error;
    const std::optional<mci::SmfFile> song = mci::SmfFile::read({data, size}, &error);
    if (!song) {
        check(!error.empty());
        return 0;
    }
    const int64_t length = song->lengthMicros();
    check(length >= 0 && length <= mci::SmfFile::kMaxMicros);
    check(song->events().size() <= mci::SmfFile::kMaxEvents);

    int64_t previous = 0;
    for (const mci::SmfEvent& event : song->events()) {
        check(event.micros >= previous && event.micros <= length);
        previous = event.micros;
        check(event.status >= 0x80 && event.status <= 0xF0);
        if (event.status == 0xF0)
            check(song->sysex(event).size() == event.sysexLength);
    }
    const size_t count = song->events().size();
    size_t last = 0;
    bool first = true;
    for (size_t index : song->stateEvents(count / 3, count)) {
        check(index >= count / 3 && index < count && (first || index > last));
        check((song->events()[index].status & 0xF0) != 0x90);
        last = index;
        first = false;
    }

    const int64_t lengthMs = song->lengthMs();
    for (int64_t ms : {int64_t(0), lengthMs / 3, lengthMs / 2, lengthMs, lengthMs + 1}) {
        check(song->tempoBpmAtMs(ms) > 0);
        const int64_t tick = song->tickAtMs(ms);
        check(tick >= 0);
        check(song->microsAtTick(tick) <= std::max<int64_t>(ms, 0) * 1000 || ms * 1000 > length);
        check(song->firstEventAtOrAfter(ms * 1000) <= song->events().size());
    }
    return 0;
}
