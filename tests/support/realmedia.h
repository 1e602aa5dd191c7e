#pragma once

#include <QList>
#include <QSize>
#include <QString>

// The kinds of files people hold (phone, camcorder, TV recorder, film
// collection, music), made small with ffmpeg on first use and cached in the
// test media folder.
namespace realmedia {

struct Seek {
    qint64 to;     // in frames
    int shows;     // the index the frame-numbered picture there shows
};

struct Sample {
    QString label;
    QString path;       // empty when it could not be made
    QString why;        // set when this machine cannot make it (no encoder)
    QString deviceType; // "digitalvideo", "waveaudio" or "sequencer"
    QSize source;       // the displayed size of a video
    qint64 minLength = 0; // frames for video, milliseconds otherwise
    qint64 maxLength = 0;
    QList<Seek> seeks;  // exact seeks a frame-numbered video can be checked with
    int sampleRate = 0; // of sound, when known
    int channels = 0;
};

// The real-world corpus: rotated phone video, anamorphic PAL, variable
// frame rate, HEVC 10-bit, AV1 with Opus, MPEG-TS and M2TS, interlaced
// MPEG-2, multichannel high-resolution FLAC, Opus, AAC, MP3 with a cover
// picture, a long WAV, a karaoke MIDI file and a long film.
QList<Sample> corpus();

// One small file for every container the built-in extension list offers
// beyond the classic ones, named with that extension.
QList<Sample> containers();

// A frame-numbered video shown rotated by the container: the pictures are
// stored turned the other way, so the displayed ones read upright. degrees
// as the recorder tags it (90, 180, 270).
QString rotatedClip(int degrees, QSize displayed, int frames, bool withSound);

} // namespace realmedia
