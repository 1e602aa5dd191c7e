#include "smfreader.h"

#include "midiwriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

using midiwriter::Bytes;
using midiwriter::Track;
using mci::SmfFile;

namespace {

SmfFile readOk(const Bytes& bytes)
{
    std::string error;
    std::optional<SmfFile> file = SmfFile::read(bytes, &error);
    EXPECT_TRUE(file.has_value()) << error;
    return file ? *file : SmfFile();
}

std::string refusal(const Bytes& bytes)
{
    std::string error;
    std::optional<SmfFile> file = SmfFile::read(bytes, &error);
    EXPECT_FALSE(file.has_value());
    return error;
}

size_t countStatus(const SmfFile& file, uint8_t high)
{
    size_t n = 0;
    for (const mci::SmfEvent& event : file.events())
        n += (event.status & 0xF0) == high;
    return n;
}

} // namespace

TEST(SmfReader, FourBeatsAt120BpmLastTwoSecondsAtAnyDivision)
{
    for (uint16_t division : {96, 480, 1}) {
        const SmfFile file = readOk(midiwriter::simpleSong(4, 120, division));
        EXPECT_EQ(file.lengthMs(), 2000) << division;
        EXPECT_EQ(file.tempoBpmAtMs(0), 120);
        EXPECT_EQ(file.tempoBpmAtMs(1999), 120);
        EXPECT_EQ(file.msAtTick(division), 500);
        EXPECT_EQ(file.tickAtMs(1500), 3 * division);
        EXPECT_EQ(countStatus(file, 0x90), 8u);
        EXPECT_TRUE(file.damage().empty()) << file.damage();
    }
}

TEST(SmfReader, WithoutTempoEventsTheSongRunsAt120Bpm)
{
    Track track;
    track.noteOn(0, 0, 60, 90).noteOff(960, 0, 60).endOfTrack();
    const SmfFile file = readOk(midiwriter::smf(0, 480, {track}));
    EXPECT_EQ(file.lengthMs(), 1000);
    EXPECT_EQ(file.tempoBpmAtMs(0), 120);
}

TEST(SmfReader, TempoChangeMidSongChangesLaterTimesOnly)
{
    // Two beats at 120 (1 s), then two beats at 60 (2 s).
    Track track;
    track.bpm(0, 120).noteOn(0, 0, 60, 90).noteOff(960, 0, 60).bpm(0, 60).noteOn(0, 0, 62, 90)
        .noteOff(960, 0, 62).endOfTrack();
    const SmfFile file = readOk(midiwriter::smf(0, 480, {track}));
    EXPECT_EQ(file.lengthMs(), 3000);
    EXPECT_EQ(file.tempoBpmAtMs(999), 120);
    EXPECT_EQ(file.tempoBpmAtMs(1000), 60);
    EXPECT_EQ(file.tempoBpmAtMs(2999), 60);
    EXPECT_EQ(file.msAtTick(960 + 480), 2000);
    EXPECT_EQ(file.tickAtMs(2000), 960 + 480);
    ASSERT_EQ(file.tempoMap().size(), 2u);
    EXPECT_EQ(file.tempoMap()[1].micros, 1000000);
    EXPECT_EQ(file.events().back().micros, 3000000);
}

TEST(SmfReader, TempoChangeInSecondTrackTimesEveryTrack)
{
    // Track 1 holds the notes; track 2 slows to 60 BPM after one beat.
    Track notes;
    notes.bpm(0, 120);
    for (int i = 0; i < 3; ++i)
        notes.noteOn(0, 0, 60, 90).noteOff(480, 0, 60);
    notes.endOfTrack();
    Track conductor;
    conductor.bpm(480, 60).endOfTrack();
    const SmfFile file = readOk(midiwriter::smf(1, 480, {notes, conductor}));
    EXPECT_EQ(file.tracksRead(), 2);
    EXPECT_EQ(file.lengthMs(), 500 + 2000);
    EXPECT_EQ(file.tempoBpmAtMs(400), 120);
    EXPECT_EQ(file.tempoBpmAtMs(600), 60);
    // Notes of both tracks are merged in time order.
    int64_t previous = -1;
    for (const mci::SmfEvent& event : file.events()) {
        EXPECT_GE(event.micros, previous);
        previous = event.micros;
    }
    EXPECT_EQ(file.events().back().micros, 2500000);
}

TEST(SmfReader, FormatTwoPlaysItsPatternsOneAfterAnother)
{
    const Track pattern = Track().noteOn(0, 0, 60, 90).noteOff(480, 0, 60).endOfTrack();
    const SmfFile file = readOk(midiwriter::smf(2, 480, {pattern, pattern}));
    EXPECT_EQ(file.lengthMs(), 1000);
    EXPECT_EQ(file.events()[2].micros, 500000);
}

TEST(SmfReader, TimecodeDivisionCountsRealTime)
{
    // 25 frames per second, 40 ticks per frame: 1000 ticks a second.
    const uint16_t division = uint16_t((uint8_t(-25) << 8) | 40);
    Track track;
    track.bpm(0, 90).noteOn(0, 0, 60, 90).noteOff(2500, 0, 60).endOfTrack();
    const SmfFile file = readOk(midiwriter::smf(0, division, {track}));
    EXPECT_EQ(file.ticksPerQuarter(), 0);
    EXPECT_EQ(file.lengthMs(), 2500);
    EXPECT_EQ(file.tempoBpmAtMs(100), 90);
    EXPECT_EQ(file.tickAtMs(1000), 1000);
}

TEST(SmfReader, RunningStatusReadsTheSameEvents)
{
    auto song = [](bool running) {
        Track track(running);
        track.bpm(0, 100);
        for (int i = 0; i < 10; ++i)
            track.noteOn(0, 3, 40 + i, 80).noteOff(120, 3, 40 + i).controlChange(0, 3, 7, 100 - i);
        track.text(0, "between").noteOn(0, 3, 70, 60).noteOff(100, 3, 70).endOfTrack();
        return midiwriter::smf(0, 96, {track});
    };
    const Bytes plain = song(false), running = song(true);
    ASSERT_LT(running.size(), plain.size());
    const SmfFile a = readOk(plain), b = readOk(running);
    ASSERT_EQ(a.events().size(), b.events().size());
    for (size_t i = 0; i < a.events().size(); ++i) {
        EXPECT_EQ(a.events()[i].status, b.events()[i].status);
        EXPECT_EQ(a.events()[i].data1, b.events()[i].data1);
        EXPECT_EQ(a.events()[i].data2, b.events()[i].data2);
        EXPECT_EQ(a.events()[i].tick, b.events()[i].tick);
    }
    EXPECT_EQ(a.lengthMs(), b.lengthMs());
    EXPECT_TRUE(b.damage().empty());
}

TEST(SmfReader, MetaEventsAreSkippedAndSysexKeptWithoutItsFraming)
{
    Track track;
    track.text(0, "title").sysex(0, {0x7E, 0x7F, 0x09, 0x01}).meta(0, 0x58, {4, 2, 24, 8})
        .noteOn(10, 0, 60, 90).meta(0, 0x7F, Bytes(300, 0x55)).noteOff(470, 0, 60).endOfTrack();
    const SmfFile file = readOk(midiwriter::smf(0, 480, {track}));
    ASSERT_EQ(file.events().size(), 3u);
    EXPECT_EQ(file.events()[0].status, 0xF0);
    const auto body = file.sysex(file.events()[0]);
    EXPECT_EQ(Bytes(body.begin(), body.end()), (Bytes{0x7E, 0x7F, 0x09, 0x01}));
    EXPECT_EQ(file.events()[1].tick, 10);
    EXPECT_EQ(file.lengthMs(), 500);
}

TEST(SmfReader, RmidWrapperIsUnpacked)
{
    const Bytes song = midiwriter::simpleSong(2, 120);
    Bytes riff{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'R', 'M', 'I', 'D', 'd', 'a', 't', 'a'};
    const uint32_t size = uint32_t(song.size());
    for (int i = 0; i < 4; ++i)
        riff.push_back(uint8_t(size >> (8 * i)));
    riff.insert(riff.end(), song.begin(), song.end());
    EXPECT_EQ(readOk(riff).lengthMs(), 1000);
}

TEST(SmfReader, NonMidiBytesAreRefusedWithAReason)
{
    EXPECT_NE(refusal({}).find("not a MIDI file"), std::string::npos);
    EXPECT_NE(refusal({'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}).find("not a MIDI file"), std::string::npos);
    std::mt19937 random(7);
    Bytes noise(4096);
    for (uint8_t& b : noise)
        b = uint8_t(random());
    EXPECT_FALSE(refusal(noise).empty());
    // A header alone, or one whose length runs past the file.
    EXPECT_FALSE(refusal(midiwriter::chunk("MThd", {0, 0, 0, 1, 1, 0xE0}, 6)).empty());
    EXPECT_FALSE(refusal(midiwriter::chunk("MThd", {0, 0, 0, 1, 1, 0xE0}, 600)).empty());
}

TEST(SmfReader, HeadersThatCannotBePlayedAreRefused)
{
    const Track track = Track().noteOn(0, 0, 60, 90).endOfTrack(480);
    EXPECT_NE(refusal(midiwriter::smf(0, 480, {})).find("no tracks"), std::string::npos);
    EXPECT_NE(refusal(midiwriter::smf(0, 0, {track})).find("division"), std::string::npos);
    EXPECT_NE(refusal(midiwriter::smf(7, 480, {track})).find("format"), std::string::npos);
    EXPECT_NE(refusal(midiwriter::smf(0, uint16_t((uint8_t(-13) << 8) | 4), {track})).find("division"),
              std::string::npos);
}

TEST(SmfReader, CutShortAtEveryByteIsRefusedOrReadAsFarAsValid)
{
    Track first, second(true);
    first.bpm(0, 120).sysex(0, {0x41, 0x10, 0x42}).programChange(0, 0, 5);
    second.text(0, "melody");
    for (int i = 0; i < 8; ++i)
        second.noteOn(0, 1, 50 + i, 90).noteOff(240, 1, 50 + i);
    first.bpm(960, 90).endOfTrack();
    second.endOfTrack();
    const Bytes whole = midiwriter::smf(1, 480, {first, second});
    const SmfFile full = readOk(whole);
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        const Bytes part(whole.begin(), whole.begin() + cut);
        std::string error;
        std::optional<SmfFile> file = SmfFile::read(part, &error);
        if (!file) {
            EXPECT_FALSE(error.empty()) << cut;
            continue;
        }
        EXPECT_FALSE(file->damage().empty()) << cut;
        EXPECT_LE(file->events().size(), full.events().size()) << cut;
        EXPECT_LE(file->lengthMs(), full.lengthMs()) << cut;
    }
}

TEST(SmfReader, ChunkLengthsLyingPastTheEndReadWhatIsThere)
{
    const Track track = Track().noteOn(0, 0, 60, 90).noteOff(480, 0, 60).noteOn(0, 0, 62, 90);
    Bytes bytes = midiwriter::smf(0, 480, {});
    bytes[11] = 1; // one track
    const Bytes lying = midiwriter::chunk("MTrk", track.events(), 0x7FFFFFF0);
    bytes.insert(bytes.end(), lying.begin(), lying.end());
    const SmfFile file = readOk(bytes);
    EXPECT_EQ(file.events().size(), 3u);
    EXPECT_EQ(file.lengthMs(), 500);
    EXPECT_NE(file.damage().find("cut short"), std::string::npos);
}

TEST(SmfReader, HeaderClaimingManyTracksReadsThoseThatExist)
{
    Bytes bytes = midiwriter::simpleSong(2, 120);
    bytes[10] = 0xFF;
    bytes[11] = 0xFF;
    const SmfFile file = readOk(bytes);
    EXPECT_EQ(file.tracksRead(), 1);
    EXPECT_EQ(file.lengthMs(), 1000);
    EXPECT_NE(file.damage().find("1 of its 65535"), std::string::npos);
}

TEST(SmfReader, UnknownChunksAreSkipped)
{
    Bytes bytes = midiwriter::smf(0, 480, {});
    bytes[11] = 1;
    const Bytes alien = midiwriter::chunk("XFIH", Bytes(10, 0x90), 10);
    const Bytes song = midiwriter::simpleSong(2, 120);
    bytes.insert(bytes.end(), alien.begin(), alien.end());
    bytes.insert(bytes.end(), song.begin() + 14, song.end());
    EXPECT_EQ(readOk(bytes).lengthMs(), 1000);
}

TEST(SmfReader, DamagedEventsEndTheirTrackButKeepWhatCameBefore)
{
    const Bytes absurdDelta = midiwriter::vlq(uint64_t(1) << 40); // six bytes
    struct Case {
        const char* name;
        Bytes damage;
    } cases[] = {
        {"absurd time", absurdDelta},
        {"status in data", {0x00, 0x90, 0x40, 0x90}},
        {"system common", {0x00, 0xF2, 0x00, 0x00}},
        {"meta longer than track", {0x00, 0xFF, 0x01, 0x8F, 0xFF, 0xFF, 0x7F}},
        {"sysex longer than track", {0x00, 0xF0, 0x8F, 0xFF, 0xFF, 0x7F, 0x01}},
    };
    for (const Case& c : cases) {
        Track track;
        track.noteOn(0, 0, 60, 90).noteOff(480, 0, 60).raw(c.damage).noteOn(0, 0, 64, 90).endOfTrack(480);
        const SmfFile file = readOk(midiwriter::smf(0, 480, {track}));
        EXPECT_EQ(file.events().size(), 2u) << c.name;
        EXPECT_EQ(file.lengthMs(), 500) << c.name;
        EXPECT_FALSE(file.damage().empty()) << c.name;
    }
}

TEST(SmfReader, DataBeforeAnyStatusEndsTheTrack)
{
    const SmfFile file = readOk(midiwriter::smf(0, 480, {Track().raw({0x00, 0x40, 0x40}).noteOn(0, 0, 60, 9)}));
    EXPECT_TRUE(file.events().empty());
    EXPECT_EQ(file.lengthMs(), 0);
    EXPECT_FALSE(file.damage().empty());
}

TEST(SmfReader, ZeroTempoIsIgnoredAndHugeDeltasStayBounded)
{
    Track track;
    track.tempo(0, 0).noteOn(0, 0, 60, 90);
    for (int i = 0; i < 40; ++i)
        track.tempo(0x0FFFFFFF, 0xFFFFFF);
    track.endOfTrack();
    const SmfFile file = readOk(midiwriter::smf(0, 1, {track}));
    EXPECT_EQ(file.tempoBpmAtMs(0), 120);
    EXPECT_EQ(file.lengthMicros(), SmfFile::kMaxMicros);
    EXPECT_GE(file.tickAtMs(file.lengthMs()), 0);
}

TEST(SmfReader, StateEventsKeepWhatDecidesTheChannelsInFileOrder)
{
    Track track;
    track.controlChange(0, 0, 7, 10)       // 0: replaced by 9
        .controlChange(0, 0, 0, 1)         // 1: bank, kept
        .programChange(0, 0, 5)            // 2: kept
        .noteOn(0, 0, 60, 90)              // 3: note, never
        .controlChange(10, 0, 101, 0)      // 4..6: parameter entry, kept in order
        .controlChange(0, 0, 100, 0)
        .controlChange(0, 0, 6, 12)
        .raw({0x00, 0xE0, 0x00, 0x10})     // 7: bend replaced by 10
        .controlChange(0, 1, 7, 50)        // 8: other channel, kept
        .controlChange(0, 0, 7, 90)        // 9: kept
        .raw({0x00, 0xE0, 0x00, 0x50})     // 10: kept
        .controlChange(0, 0, 123, 0)       // 11: all notes off, never
        .noteOff(10, 0, 60)                // 12
        .endOfTrack();
    const SmfFile file = readOk(midiwriter::smf(0, 480, {track}));
    ASSERT_EQ(file.events().size(), 13u);
    EXPECT_EQ(file.stateEvents(0, 13), (std::vector<size_t>{1, 2, 4, 5, 6, 8, 9, 10}));
    EXPECT_EQ(file.stateEvents(0, 8), (std::vector<size_t>{0, 1, 2, 4, 5, 6, 7}));
    EXPECT_EQ(file.stateEvents(8, 13), (std::vector<size_t>{8, 9, 10}));
    EXPECT_TRUE(file.stateEvents(5, 2).empty());
    EXPECT_TRUE(file.stateEvents(0, 99).size() == 8u);
}

TEST(SmfReader, FuzzSeedsAndFoundInputsReadWithoutHarm)
{
    // Seeds and any input the fuzzer once tripped over stay here for good.
    size_t files = 0;
    for (const char* folder : {"/fuzz/corpus/smf", "/fuzz/regressions/smf"}) {
        const std::filesystem::path path = std::string(NORRAVA_SOURCE_DIR) + folder;
        if (!std::filesystem::is_directory(path))
            continue;
        for (const auto& entry : std::filesystem::directory_iterator(path)) {
            std::ifstream in(entry.path(), std::ios::binary);
            const Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            std::string error;
            const std::optional<SmfFile> file = SmfFile::read(bytes, &error);
            EXPECT_TRUE(file || !error.empty()) << entry.path();
            if (file) {
                EXPECT_LE(file->events().empty() ? 0 : file->events().back().micros, file->lengthMicros());
            }
            ++files;
        }
    }
    EXPECT_GE(files, 5u);
}

TEST(SmfReader, EventFloodIsCutAtTheCap)
{
    Track track(true);
    for (size_t i = 0; i < SmfFile::kMaxEvents + 10; ++i)
        track.programChange(0, 0, int(i & 0x7F));
    track.endOfTrack(480);
    const SmfFile file = readOk(midiwriter::smf(0, 480, {track}));
    EXPECT_EQ(file.events().size(), SmfFile::kMaxEvents);
    EXPECT_NE(file.damage().find("too many events"), std::string::npos);
    // Chasing the whole flood stays bounded: one program change per ordered slot.
    EXPECT_EQ(file.stateEvents(0, file.events().size()).size(), SmfFile::kMaxOrderedStateEvents);
}
