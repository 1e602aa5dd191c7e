#include "sequencerdevice.h"

#include "midiwriter.h"
#include "testmedia.h"
#include "testservices.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

using midiwriter::Track;
using namespace std::chrono_literals;

namespace {

std::string writeSong(const std::string& name, const midiwriter::Bytes& bytes)
{
    const std::string path = testmedia::dir().toStdString() + "/" + name;
    EXPECT_TRUE(midiwriter::writeFile(path, bytes));
    return path;
}

// Four beats at 120 BPM (2 s), then two at 60 BPM (2 s), over two tracks.
std::string twoTempoSong()
{
    Track conductor;
    conductor.bpm(0, 120).bpm(4 * 480, 60).endOfTrack();
    Track melody;
    melody.programChange(0, 0, 19).controlChange(0, 0, 7, 110);
    for (int i = 0; i < 6; ++i)
        melody.noteOn(0, 0, 60 + i, 100).noteOff(480, 0, 60 + i);
    melody.endOfTrack();
    return writeSong("two-tempo.mid", midiwriter::smf(1, 480, {conductor, melody}));
}

mci::SequencerSetup nullSetup()
{
    mci::SequencerSetup setup = mci::sequencerSetupFromEnvironment();
    setup.nullAudio = true;
    return setup;
}

std::unique_ptr<mci::Device> openSong(const std::string& path)
{
    mci::Reply failure;
    auto device = mci::openSequencerDevice(path, nullSetup(), &failure);
    EXPECT_TRUE(device) << failure.text;
    return device;
}

std::string status(mci::Device& device, std::string_view item)
{
    const mci::Reply reply = device.status(item);
    EXPECT_FALSE(reply.failed()) << item << ": " << reply.text;
    return reply.text;
}

int64_t position(mci::Device& device) { return std::stoll(status(device, "position")); }

// Waits, with a generous bound, until the condition holds.
template <typename Condition>
bool eventually(Condition condition, std::chrono::milliseconds bound = 20s)
{
    const auto until = std::chrono::steady_clock::now() + bound;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// Whether FluidSynth's library is mapped into this process.
bool synthLibraryMapped()
{
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        if (line.find("libfluidsynth") != std::string::npos)
            return true;
    }
    return false;
}

} // namespace

// FluidSynth and the libraries it brings are loaded by the first song, not
// carried by every player that only ever shows films. (First in this file:
// no song has been opened before it.)
TEST(SequencerDevice, SynthLibraryIsLoadedByTheFirstSongOnly)
{
    EXPECT_FALSE(synthLibraryMapped());
    auto device = openSong(twoTempoSong());
    ASSERT_TRUE(device);
    EXPECT_TRUE(synthLibraryMapped());
}

TEST(SequencerDevice, DescribesItselfAndTheSong)
{
    auto device = openSong(twoTempoSong());
    ASSERT_TRUE(device);
    EXPECT_EQ(device->type(), "sequencer");
    const auto capability = &mci::Device::capability;
    const auto status = &mci::Device::status;
    struct Row {
        mci::Reply (mci::Device::*ask)(std::string_view);
        const char* item;
        const char* answer; // null: refused as unknown
    };
    const Row table[] = {
        {capability, "device type", "sequencer"},
        {capability, "has video", "false"},
        {capability, "has audio", "true"},
        {capability, "can play", "true"},
        {capability, "can fly", nullptr},
        {status, "length", "4000"},
        {status, "position", "0"},
        {status, "tempo", "120"},
        {status, "mode", "stopped"},
        {status, "speed", "1000"},
        {status, "ready", "true"},
        {status, "time format", "milliseconds"},
        {status, "division type", "PPQN"},
        {status, "frame rate", nullptr},
    };
    for (const Row& row : table) {
        const mci::Reply reply = ((*device).*row.ask)(row.item);
        EXPECT_EQ(reply.code, row.answer ? mci::Ok : mci::ErrUnsupportedFunction) << row.item;
        if (row.answer) {
            EXPECT_EQ(reply.text, row.answer) << row.item;
        }
    }
}

TEST(SequencerDevice, CountsInMillisecondsOnly)
{
    auto device = openSong(twoTempoSong());
    ASSERT_TRUE(device);
    EXPECT_EQ(device->setTimeFormat(mci::TimeFormat::Frames).code, mci::ErrBadTimeFormat);
    EXPECT_FALSE(device->setTimeFormat(mci::TimeFormat::Milliseconds).failed());
    EXPECT_EQ(status(*device, "time format"), "milliseconds");
}

TEST(SequencerDevice, SeekLandsExactlyAndTempoFollows)
{
    auto device = openSong(twoTempoSong());
    ASSERT_TRUE(device);
    EXPECT_FALSE(device->seek(mci::SeekTarget::Position, 2500, false).failed());
    EXPECT_EQ(position(*device), 2500);
    EXPECT_EQ(status(*device, "tempo"), "60");
    EXPECT_FALSE(device->seek(mci::SeekTarget::End, 0, true).failed());
    EXPECT_EQ(position(*device), 4000);
    EXPECT_EQ(device->seek(mci::SeekTarget::Position, 4001, false).code, mci::ErrOutOfRange);
    EXPECT_EQ(position(*device), 4000);
    EXPECT_FALSE(device->seek(mci::SeekTarget::Start, 0, false).failed());
    EXPECT_EQ(position(*device), 0);
    EXPECT_EQ(status(*device, "tempo"), "120");
}

TEST(SequencerDevice, PlayingAdvancesInRealTimeAndPauseStopKeepThePlace)
{
    auto device = openSong(twoTempoSong());
    ASSERT_TRUE(device);
    ASSERT_FALSE(device->play(std::nullopt, std::nullopt, false).failed());
    EXPECT_EQ(status(*device, "mode"), "playing");
    ASSERT_TRUE(eventually([&] { return position(*device) >= 100; }));

    ASSERT_FALSE(device->pause().failed());
    EXPECT_EQ(status(*device, "mode"), "paused");
    const int64_t paused = position(*device);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(position(*device), paused);

    ASSERT_FALSE(device->resume().failed());
    EXPECT_EQ(status(*device, "mode"), "playing");
    ASSERT_TRUE(eventually([&] { return position(*device) > paused; }));
    ASSERT_FALSE(device->stop().failed());
    EXPECT_EQ(status(*device, "mode"), "stopped");
    const int64_t stopped = position(*device);
    EXPECT_GT(stopped, paused);
    EXPECT_LE(stopped, 4000);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(position(*device), stopped);
}

TEST(SequencerDevice, SeekWhilePlayingStopsAtTheTarget)
{
    auto device = openSong(twoTempoSong());
    ASSERT_TRUE(device);
    ASSERT_FALSE(device->play(std::nullopt, std::nullopt, false).failed());
    ASSERT_FALSE(device->seek(mci::SeekTarget::Position, 3000, false).failed());
    EXPECT_EQ(status(*device, "mode"), "stopped");
    EXPECT_EQ(position(*device), 3000);
    EXPECT_EQ(status(*device, "tempo"), "60");
}

TEST(SequencerDevice, PlayFromToWithWaitEndsExactlyAtTo)
{
    auto device = openSong(twoTempoSong());
    ASSERT_TRUE(device);
    ASSERT_FALSE(device->play(1800, 2200, true).failed());
    EXPECT_EQ(status(*device, "mode"), "stopped");
    EXPECT_EQ(position(*device), 2200);
    EXPECT_EQ(status(*device, "tempo"), "60");

    EXPECT_EQ(device->play(3000, 1000, false).code, mci::ErrOutOfRange);
    EXPECT_EQ(device->play(5000, std::nullopt, false).code, mci::ErrOutOfRange);
    EXPECT_EQ(device->play(std::nullopt, -1, false).code, mci::ErrOutOfRange);
}

TEST(SequencerDevice, PlaysToTheEndAndStaysThere)
{
    auto device = openSong(writeSong("short.mid", midiwriter::simpleSong(4, 480)));
    ASSERT_TRUE(device);
    EXPECT_EQ(status(*device, "length"), "500");
    ASSERT_FALSE(device->play(std::nullopt, std::nullopt, true).failed());
    EXPECT_EQ(status(*device, "mode"), "stopped");
    EXPECT_EQ(position(*device), 500);
    // Play at the end has nothing left to play.
    ASSERT_FALSE(device->play(std::nullopt, std::nullopt, false).failed());
    EXPECT_EQ(status(*device, "mode"), "stopped");
    EXPECT_EQ(position(*device), 500);
    device->setOutputGain(0.25);
    ASSERT_FALSE(device->play(0, std::nullopt, false).failed());
    EXPECT_EQ(status(*device, "mode"), "playing");
    EXPECT_TRUE(eventually([&] { return status(*device, "mode") == "stopped"; }));
    EXPECT_EQ(position(*device), 500);
}

TEST(SequencerDevice, DamagedSongPlaysAsFarAsItIsValid)
{
    midiwriter::Bytes song = midiwriter::simpleSong(4, 120);
    song.resize(song.size() - 9); // cut into the last note
    auto device = openSong(writeSong("cut.mid", song));
    ASSERT_TRUE(device);
    EXPECT_EQ(status(*device, "length"), "1500");
    ASSERT_FALSE(device->play(1400, std::nullopt, true).failed());
    EXPECT_EQ(position(*device), 1500);
}

TEST(SequencerDevice, FilesThatAreNotSongsAreRefused)
{
    mci::Reply failure;
    EXPECT_FALSE(mci::openSequencerDevice("/nonexistent/song.mid", nullSetup(), &failure));
    EXPECT_EQ(failure.code, mci::ErrFileNotFound);
    EXPECT_NE(failure.text.find("/nonexistent/song.mid"), std::string::npos);

    const std::string text = writeSong("text.mid", {'h', 'e', 'l', 'l', 'o'});
    EXPECT_FALSE(mci::openSequencerDevice(text, nullSetup(), &failure));
    EXPECT_EQ(failure.code, mci::ErrInvalidFile);
    EXPECT_NE(failure.text.find("not a MIDI file"), std::string::npos);

    EXPECT_FALSE(mci::openSequencerDevice(testmedia::dir().toStdString(), nullSetup(), &failure));
    EXPECT_EQ(failure.code, mci::ErrInvalidFile);
    EXPECT_NE(failure.text.find("is not a file"), std::string::npos);
}

TEST(SequencerDevice, MissingSoundFontIsNamed)
{
    const std::string song = writeSong("song.mid", midiwriter::simpleSong(2, 120));
    const std::string notSoundFont = writeSong("not-a-soundfont.sf2", {'R', 'I', 'F', 'F', 0, 0, 0, 0});
    mci::SequencerSetup setup;
    setup.soundFonts = {"/nonexistent/own.sf2", notSoundFont, "/nonexistent/default-GM.sf2"};
    setup.nullAudio = true;
    mci::Reply failure;
    EXPECT_FALSE(mci::openSequencerDevice(song, setup, &failure));
    EXPECT_EQ(failure.code, mci::ErrDeviceNotInstalled);
    EXPECT_NE(failure.text.find("SoundFont"), std::string::npos);
    for (const std::string& path : setup.soundFonts)
        EXPECT_NE(failure.text.find(path), std::string::npos) << failure.text;
    EXPECT_NE(failure.text.find("could not be loaded as SoundFonts: " + notSoundFont), std::string::npos)
        << failure.text;
}

TEST(SequencerDevice, OwnSoundFontIsLookedForFirst)
{
    setenv("NORRAVA_SOUNDFONT", "/opt/fonts/mine.sf2", 1);
    const std::vector<std::string> candidates = mci::soundFontCandidates();
    unsetenv("NORRAVA_SOUNDFONT");
    ASSERT_GE(candidates.size(), 3u);
    EXPECT_EQ(candidates.front(), "/opt/fonts/mine.sf2");
    EXPECT_EQ(candidates[1], "/usr/share/sounds/sf2/default-GM.sf2");
    EXPECT_EQ(mci::soundFontCandidates().front(), "/usr/share/sounds/sf2/default-GM.sf2");
}

TEST(SequencerDevice, PlaysThroughTheSoundServerWhenOneRuns)
{
    if (!std::getenv("PULSE_SERVER"))
        NORRAVA_SKIP_OR_FAIL() << "no PulseAudio server started for the tests";
    mci::SequencerSetup setup = mci::sequencerSetupFromEnvironment();
    setup.nullAudio = false;
    mci::Reply failure;
    auto device = mci::openSequencerDevice(twoTempoSong(), setup, &failure);
    ASSERT_TRUE(device) << failure.text;
    device->setOutputGain(0.5);
    ASSERT_FALSE(device->play(0, 300, true).failed());
    EXPECT_EQ(position(*device), 300);
    EXPECT_EQ(status(*device, "mode"), "stopped");
}
