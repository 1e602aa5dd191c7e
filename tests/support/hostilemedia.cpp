#include "hostilemedia.h"

#include "midiwriter.h"
#include "realmedia.h"
#include "testmedia.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <random>

namespace hostilemedia {
namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Written once and renamed into place, so test programs running side by
// side never read a half-written file.
QString write(const QString& path, const QByteArray& bytes)
{
    if (QFile::exists(path) && readAll(path) == bytes)
        return path;
    QDir().mkpath(path.left(path.lastIndexOf('/')));
    const QString partial = path + ".part" + QString::number(QCoreApplication::applicationPid());
    QFile file(partial);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(bytes);
        file.close();
        std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(path).constData());
    }
    return path;
}

QString folder()
{
    return testmedia::dir() + "/hostile";
}

QByteArray toBytes(const midiwriter::Bytes& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

void putLe32(QByteArray& bytes, qsizetype at, quint32 value)
{
    if (at < 0 || at + 4 > bytes.size())
        return;
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = char((value >> (8 * i)) & 0xFF);
}

// An AVI whose main header and video format both claim a picture of
// 100000 x 100000 pixels.
QByteArray hugeAvi(QByteArray avi)
{
    const qsizetype main = avi.indexOf("avih");
    putLe32(avi, main + 8 + 32, 100000);
    putLe32(avi, main + 8 + 36, 100000);
    const qsizetype format = avi.indexOf("strf", main);
    putLe32(avi, format + 8 + 4, 100000);
    putLe32(avi, format + 8 + 8, 100000);
    return avi;
}

// A WAV whose RIFF and data chunks claim about 2 GB.
QByteArray lyingWav(QByteArray wav)
{
    putLe32(wav, 4, 0x7FFFFFF0u);
    putLe32(wav, wav.indexOf("data") + 4, 0x7FFFFF00u);
    return wav;
}

QByteArray randomBytes(int count, unsigned seed)
{
    std::mt19937 generator(seed);
    QByteArray bytes(count, '\0');
    for (char& c : bytes)
        c = char(generator() & 0xFF);
    return bytes;
}

QByteArray truncated(const QByteArray& bytes, double fraction)
{
    return bytes.left(qsizetype(bytes.size() * fraction));
}

QByteArray midiTrackPastTheEnd()
{
    midiwriter::Track track;
    track.bpm(0, 120).noteOn(0, 0, 60, 100).noteOff(480, 0, 60).endOfTrack();
    midiwriter::Bytes file = midiwriter::chunk("MThd", {0, 0, 0, 1, 0x01, 0xE0}, 6);
    const midiwriter::Bytes body = midiwriter::chunk("MTrk", track.events(), uint32_t(track.events().size() + 1000000));
    file.insert(file.end(), body.begin(), body.end());
    return toBytes(file);
}

QByteArray midiClaimingManyTracks()
{
    QByteArray song = toBytes(midiwriter::simpleSong(4, 120));
    song[10] = char(0xFF);
    song[11] = char(0xFF);
    return song;
}

QStringList numberedGrey(QSize size, int frames)
{
    return {"-f", "lavfi", "-i", QStringLiteral("color=c=gray:size=%1x%2:rate=25").arg(size.width()).arg(size.height()),
            // The source rounds odd sizes down; scaling restores them.
            "-vf", testmedia::frameNumberFilter() + QStringLiteral(",scale=%1:%2,format=yuv420p").arg(size.width()).arg(size.height()),
            "-frames:v", QString::number(frames)};
}

// The MP4's first track display matrix replaced: {a, b, c, d} in 16.16
// fixed point, as tkhd stores it (version 0 boxes).
QByteArray withDisplayMatrix(QByteArray mp4, qint32 a, qint32 b, qint32 c, qint32 d)
{
    const qsizetype box = mp4.indexOf("tkhd");
    if (box < 0 || mp4.at(box + 4) != 0)
        return {};
    const qsizetype matrix = box + 4 + 4 + 36;
    auto put = [&](qsizetype at, qint32 value) {
        for (int i = 0; i < 4; ++i)
            mp4[at + i] = char((quint32(value) >> (24 - 8 * i)) & 0xFF);
    };
    put(matrix, a);
    put(matrix + 4, b);
    put(matrix + 12, c);
    put(matrix + 16, d);
    return mp4;
}

} // namespace

QList<OddPicture> oddPictures()
{
    const QString dir = folder();
    QList<OddPicture> list;
    for (int degrees : {90, 180, 270}) {
        const QSize shown = degrees == 180 ? QSize(160, 120) : QSize(120, 160);
        list.append({QStringLiteral("video turned %1 degrees by its container").arg(degrees),
                     realmedia::rotatedClip(degrees, shown, 20, false), shown});
    }
    list.append({"odd width and height, 4:2:0 (321 x 241)",
                  testmedia::ffmpegOnce("odd_321x241.mkv", numberedGrey({321, 241}, 20) + QStringList{"-c:v", "ffv1"}),
                  {321, 241}});
    list.append({"odd width and height, 4:4:4 H.264 (321 x 241)",
                  testmedia::ffmpegOnce("odd_321x241_444.mp4", numberedGrey({321, 241}, 20) + QStringList{
                      "-c:v", "libx264", "-pix_fmt", "yuv444p"}),
                  {321, 241}});
    const QString pal = testmedia::ffmpegOnce("odd_pal169.mp4", QStringList{
        "-f", "lavfi", "-i", "color=c=gray:size=720x576:rate=25", "-vf",
        testmedia::frameNumberFilter() + ",setsar=64/45,format=yuv420p", "-frames:v", "10", "-c:v", "libx264"});
    list.append({"non-square pixels (PAL 16:9)", pal, {1024, 576}});
    list.append({"non-square pixels turned 90 degrees",
                  pal.isEmpty() ? QString() : testmedia::ffmpegOnce("odd_pal169_rot90.mp4", {
                      "-i", pal, "-c", "copy", "-metadata:s:v:0", "rotate=90"}),
                  {576, 1024}});
    // Two transport streams of different sizes, one after the other, as a
    // recorder writes them across a change of programme.
    const QString small = testmedia::ffmpegOnce("odd_change_a.ts", numberedGrey({320, 240}, 25) + QStringList{
        "-c:v", "libx264", "-f", "mpegts"});
    const QString large = testmedia::ffmpegOnce("odd_change_b.ts", numberedGrey({640, 360}, 25) + QStringList{
        "-c:v", "libx264", "-output_ts_offset", "1", "-f", "mpegts"});
    QByteArray joined;
    for (const QString& part : {small, large}) {
        QFile file(part);
        if (file.open(QIODevice::ReadOnly))
            joined += file.readAll();
    }
    list.append({"picture size changing mid-stream (320 x 240, then 640 x 360)",
                  write(dir + "/size_change.ts", joined), {320, 240}});
    list.append({"2 x 2 picture",
                  testmedia::ffmpegOnce("odd_2x2.mp4", {"-f", "lavfi", "-i", "testsrc2=size=2x2:rate=25", "-frames:v",
                                                        "10", "-c:v", "libx264", "-pix_fmt", "yuv420p"}),
                  {2, 2}});
    list.append({"8192 x 4320 picture",
                  testmedia::ffmpegOnce("odd_8k.mp4", {"-f", "lavfi", "-i", "color=c=navy:size=8192x4320:rate=25",
                                                       "-frames:v", "3", "-c:v", "libx264", "-preset", "ultrafast",
                                                       "-pix_fmt", "yuv420p"}),
                  {8192, 4320}});
    // Display matrices a camera app may write that are not quarter turns:
    // shown at the nearest quarter turn, or as stored.
    QFile upright(realmedia::rotatedClip(90, {120, 160}, 20, false));
    const QByteArray rotated = upright.open(QIODevice::ReadOnly) ? upright.readAll() : QByteArray();
    constexpr qint32 kHalfRoot2 = 46341; // cos 45 degrees in 16.16
    list.append({"display matrix turning 45 degrees",
                  write(dir + "/matrix45.mp4", withDisplayMatrix(rotated, kHalfRoot2, kHalfRoot2, -kHalfRoot2, kHalfRoot2)),
                  {}});
    list.append({"display matrix mirroring the picture",
                  write(dir + "/mirrored.mp4", withDisplayMatrix(rotated, -0x10000, 0, 0, 0x10000)), {}});
    return list;
}

QString goodVideo()
{
    return testmedia::frameClip("hostile_good", "avi", {"-c:v", "mpeg4", "-q:v", "4"}, 50, 64, 48);
}

QString goodWav()
{
    return testmedia::wavFile("hostile_good", 22050, 2, "pcm_s16le", 1000);
}

QString goodMidi()
{
    const QString path = folder() + "/good.mid";
    if (!QFile::exists(path))
        write(path, toBytes(midiwriter::simpleSong(4, 240)));
    return path;
}

QList<Case> cases()
{
    const QString dir = folder();
    const QByteArray avi = readAll(goodVideo());
    const QByteArray mp4 = readAll(testmedia::frameClip("hostile_good", "mp4", {"-c:v", "libx264"}, 50, 64, 48));
    const QByteArray raw =
        readAll(testmedia::frameClip("hostile_raw", "avi", {"-c:v", "rawvideo", "-pix_fmt", "bgr24"}, 10, 64, 48, "25",
                                     false));
    const QByteArray wav = readAll(goodWav());
    const QByteArray mid = readAll(goodMidi());
    const QByteArray text = "This is not a movie.\nJust a few lines of text,\nsaved under a media name.\n";

    QList<Case> list;
    auto add = [&](const QString& label, const QString& name, const QByteArray& bytes, bool mustRefuse) {
        list.append({label, write(dir + "/" + name, bytes), mustRefuse, false});
    };
    add("zero-byte video", "zero.avi", {}, true);
    add("zero-byte wave", "zero.wav", {}, true);
    add("zero-byte MIDI", "zero.mid", {}, true);
    add("random bytes as video", "random.avi", randomBytes(8192, 1), false);
    add("random bytes as wave", "random.wav", randomBytes(8192, 2), false);
    add("random bytes as MIDI", "random.mid", randomBytes(8192, 3), true);
    add("video cut at 3%", "cut3.avi", truncated(avi, 0.03), false);
    add("video cut at 40%", "cut40.avi", truncated(avi, 0.40), false);
    add("video cut at 90%", "cut90.avi", truncated(avi, 0.90), false);
    add("mp4 cut in half", "cut50.mp4", truncated(mp4, 0.5), false);
    add("wave cut inside its header", "cut12.wav", wav.left(12), true);
    add("wave with a header only", "cut44.wav", wav.left(44), false);
    add("wave cut in half", "cut50.wav", truncated(wav, 0.5), false);
    add("MIDI cut inside its header", "cut10.mid", mid.left(10), true);
    add("MIDI cut in half", "cut50.mid", truncated(mid, 0.5), false);
    add("wave claiming 2 GB", "lying2gb.wav", lyingWav(wav), false);
    add("video claiming 100000 x 100000 pixels", "huge.avi", hugeAvi(avi), false);
    add("raw video claiming 100000 x 100000 pixels", "hugeraw.avi", hugeAvi(raw), false);
    add("MIDI track running past the end", "pastend.mid", midiTrackPastTheEnd(), false);
    add("MIDI claiming 65535 tracks", "manytracks.mid", midiClaimingManyTracks(), false);
    add("text as video", "text.avi", text, true);
    add("MIDI as wave", "midi.wav", mid, true);
    add("wave as MIDI", "wave.mid", wav, true);

    auto odd = [&](const QString& label, const QString& path, const QByteArray& bytes) {
        list.append({label, write(path, bytes), false, true});
    };
    odd("double quotes in the name", dir + "/names/clip \"quoted\".avi", avi);
    odd("quotes and open's own words in the name", dir + "/names/say \"hi\" alias me.wav", wav);
    odd("blanks in the name", dir + "/names/  spaced   out  .wav", wav);
    odd("non-ASCII letters in the name", dir + QString::fromUtf8("/names/Ærøskøbing smörgåsbord 日本語.mid"), mid);
    QString deep = dir + "/names";
    while (deep.size() < 300)
        deep += "/a-rather-long-folder-name-to-make-the-path-long-enough";
    odd("a path over 300 characters", deep + "/clip.avi", avi);
    for (const OddPicture& picture : oddPictures())
        list.append({picture.label, picture.path, false, true});
    return list;
}

} // namespace hostilemedia
