// Writes small MIDI files covering the reader's paths as the fuzzer's seeds.
#include "midiwriter.h"

#include <cstdio>
#include <string>

using midiwriter::Track;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_smf_corpus <folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    auto write = [&](const char* name, const midiwriter::Bytes& bytes) {
        if (!midiwriter::writeFile(folder + "/" + name, bytes))
            std::fprintf(stderr, "cannot write %s\n", name);
    };

    write("simple.mid", midiwriter::simpleSong(4, 120, 96));

    Track running(true);
    running.bpm(0, 90).programChange(0, 2, 40).controlChange(0, 2, 7, 100);
    for (int i = 0; i < 6; ++i)
        running.noteOn(0, 2, 50 + i, 90).noteOff(60, 2, 50 + i);
    running.endOfTrack();
    write("running-status.mid", midiwriter::smf(0, 96, {running}));

    Track conductor, melody;
    conductor.bpm(0, 120).meta(0, 0x58, {4, 2, 24, 8}).bpm(480, 60).tempo(240, 400000).endOfTrack();
    melody.text(0, "melody").sysex(0, {0x7E, 0x7F, 0x09, 0x01}).noteOn(0, 0, 60, 90).noteOff(960, 0, 60)
        .controlChange(0, 0, 64, 127).endOfTrack(10);
    write("format1-tempo.mid", midiwriter::smf(1, 480, {conductor, melody}));
    write("format2.mid", midiwriter::smf(2, 240, {melody, melody}));

    Track timecode;
    timecode.noteOn(0, 9, 36, 100).noteOff(40, 9, 36).raw({0x00, 0xF7, 0x02, 0x01, 0x02}).endOfTrack();
    write("timecode.mid", midiwriter::smf(0, uint16_t((uint8_t(-25) << 8) | 40), {timecode}));

    midiwriter::Bytes rmid{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'R', 'M', 'I', 'D', 'd', 'a', 't', 'a'};
    const midiwriter::Bytes song = midiwriter::simpleSong(2, 100, 48);
    for (int i = 0; i < 4; ++i)
        rmid.push_back(uint8_t(song.size() >> (8 * i)));
    rmid.insert(rmid.end(), song.begin(), song.end());
    write("wrapped.rmi", rmid);
    return 0;
}
