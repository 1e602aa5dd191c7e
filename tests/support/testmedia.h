#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

// Media for the tests, generated with ffmpeg on first use and cached in the
// build tree's testmedia folder.
namespace testmedia {

QString dir();

// Runs a program to completion; false when it cannot start or fails.
bool run(const QString& program, const QStringList& args, QString* output = nullptr);

// A clip whose every frame shows its own index: 16 blocks across the top
// half of the picture, bit 0 leftmost, white for 1 and black for 0.
// encoder: ffmpeg output options, e.g. {"-c:v","libx264","-bf","2"};
// extension picks the container. Audio is a sine tone when withAudio.
QString frameClip(const QString& name, const QString& extension, const QStringList& encoder, int frames,
                  int width = 320, int height = 240, const QString& rate = "25", bool withAudio = true);

// Reads the index a frame-numbered picture shows (any size), -1 when the
// picture does not look like one.
int readFrameNumber(const QImage& image);

// The ffmpeg filters that draw each frame's index as frameClip() does, on
// a grey picture of any size (the output is in gray format).
QString frameNumberFilter();

// Writes a file with ffmpeg once: the arguments (inputs, filters, codecs,
// without the output name) go to a temporary name in the media folder,
// renamed to `name` when complete. The path, or empty when ffmpeg failed.
QString ffmpegOnce(const QString& name, const QStringList& args);

// A sine-tone WAV file. sampleFormat is an ffmpeg PCM codec such as
// pcm_u8, pcm_s16le, pcm_s24le, pcm_f32le.
QString wavFile(const QString& name, int sampleRate, int channels, const QString& sampleFormat, int milliseconds);

// Writes bytes to a file in the media folder and returns its path.
QString rawFile(const QString& name, const QByteArray& bytes);

} // namespace testmedia
