#include "realmedia.h"

#include "midiwriter.h"
#include "testmedia.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>
#include <random>

namespace realmedia {
namespace {

QString numbered(const QString& extra = {})
{
    return testmedia::frameNumberFilter() + (extra.isEmpty() ? "" : "," + extra) + ",format=yuv420p";
}

QStringList grey(QSize size, const QString& rate)
{
    return {"-f", "lavfi", "-i", QStringLiteral("color=c=gray:size=%1x%2:rate=%3").arg(size.width()).arg(size.height()).arg(rate)};
}

QStringList sine(int rate = 48000)
{
    return {"-f", "lavfi", "-i", QStringLiteral("sine=frequency=440:sample_rate=%1").arg(rate)};
}

bool hasEncoder(const QString& name)
{
    static const QString encoders = [] {
        QString output;
        testmedia::run("ffmpeg", {"-hide_banner", "-encoders"}, &output);
        return output;
    }();
    return encoders.contains(QRegularExpression("\\s" + QRegularExpression::escape(name) + "\\s"));
}

// Written to a temporary name and renamed, as ffmpegOnce() does.
QString writeOnce(const QString& name, const QByteArray& bytes)
{
    const QString path = testmedia::dir() + "/" + name;
    if (QFileInfo(path).size() == bytes.size())
        return path;
    const QString partial = path + ".part" + QString::number(QCoreApplication::applicationPid());
    QFile file(partial);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return {};
    file.close();
    // rename(2) replaces a file of another size in one step: removing it
    // first would let a program running alongside find no file at all.
    if (std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(path).constData()) != 0)
        QFile::remove(partial);
    return path;
}

Sample video(const QString& label, const QString& path, QSize source, qint64 minLength, qint64 maxLength,
             QList<Seek> seeks = {})
{
    return {label, path, {}, "digitalvideo", source, minLength, maxLength, seeks};
}

Sample sound(const QString& label, const QString& path, qint64 minLength, qint64 maxLength, int sampleRate = 0,
             int channels = 0, const QString& device = "waveaudio")
{
    return {label, path, {}, device, {}, minLength, maxLength, {}, sampleRate, channels};
}

Sample missing(const QString& label, const QString& device, const QString& why)
{
    return {label, {}, why, device, {}, 0, 0, {}};
}

// A DVD's constant video rate in DVD packs, so every picture carries its
// time stamp as on a real disc.
QStringList dvdRate()
{
    return {"-b:v", "6M", "-minrate", "6M", "-maxrate", "6M", "-bufsize", "1835k", "-f", "dvd"};
}

QString phone(int degrees)
{
    const QSize shown = degrees == 180 ? QSize(320, 240) : QSize(240, 320);
    return rotatedClip(degrees, shown, 60, true);
}

QString anamorphicPal()
{
    // A PAL DVD's 16:9 picture: 720 x 576 stored, pixels 64:45 wide.
    return testmedia::ffmpegOnce("real_pal169.mpg", grey({720, 576}, "25") + QStringList{
        "-vf", numbered("setsar=64/45"), "-frames:v", "25", "-c:v", "mpeg2video", "-g", "12"} + dvdRate());
}

QString variableRate()
{
    // One second at 25 frames per second, then one at 50, joined unchanged.
    const QString slow = testmedia::ffmpegOnce("real_vfr_25.mp4", grey({320, 240}, "25") + QStringList{
        "-vf", numbered(), "-frames:v", "25", "-c:v", "libx264", "-video_track_timescale", "1000"});
    const QString fast = testmedia::ffmpegOnce("real_vfr_50.mp4", grey({320, 240}, "50") + QStringList{
        "-vf", numbered(), "-frames:v", "50", "-c:v", "libx264", "-video_track_timescale", "1000"});
    if (slow.isEmpty() || fast.isEmpty())
        return {};
    const QString list = writeOnce("real_vfr.txt", ("file '" + slow + "'\nfile '" + fast + "'\n").toUtf8());
    return testmedia::ffmpegOnce("real_vfr.mkv", {"-f", "concat", "-safe", "0", "-i", list, "-c", "copy"});
}

QString hevc10()
{
    return testmedia::ffmpegOnce("real_hevc10.mp4", grey({320, 240}, "25") + QStringList{
        "-vf", testmedia::frameNumberFilter() + ",format=yuv420p10le", "-frames:v", "25", "-c:v", "libx265",
        "-x265-params", "log-level=error", "-tag:v", "hvc1"});
}

QString av1Encoder()
{
    for (const char* encoder : {"libsvtav1", "libaom-av1", "librav1e"})
        if (hasEncoder(encoder))
            return encoder;
    return {};
}

QString av1Opus()
{
    const QString encoder = av1Encoder();
    QStringList args = grey({320, 240}, "25") + sine() + QStringList{"-vf", numbered(), "-frames:v", "25",
                                                                     "-shortest", "-c:v", encoder, "-g", "25"};
    if (encoder == "libsvtav1")
        args << "-preset" << "12";
    else if (encoder == "libaom-av1")
        args << "-cpu-used" << "8" << "-row-mt" << "1";
    args << "-c:a" << "libopus";
    return testmedia::ffmpegOnce("real_av1_opus.webm", args);
}

QString transportStream(const QString& name, const QString& audioCodec, bool m2ts)
{
    QStringList args = grey({320, 240}, "25") + sine() + QStringList{"-vf", numbered(), "-frames:v", "50",
                                                                     "-shortest", "-c:v", "libx264", "-g", "25",
                                                                     "-c:a", audioCodec, "-f", "mpegts"};
    if (m2ts)
        args << "-mpegts_m2ts_mode" << "1";
    return testmedia::ffmpegOnce(name, args);
}

QString interlacedMpeg2()
{
    // Broadcast PAL: coded as interlaced fields, shown 4:3.
    return testmedia::ffmpegOnce("real_interlaced.mpg", grey({720, 576}, "25") + sine() + QStringList{
        "-vf", numbered(), "-frames:v", "25", "-shortest", "-c:v", "mpeg2video", "-flags", "+ilme+ildct",
        "-top", "1", "-aspect", "4:3", "-c:a", "mp2"} + dvdRate());
}

QString programStream(const QString& name, const QString& rate, int frames, int bFrames, const QString& sound)
{
    // A camcorder's .mod or .tod, or a DVD's .vob, at a low rate: small
    // pictures share packs, and a pack stamps only the first picture
    // starting in it, so the last pictures have no time of their own.
    return testmedia::ffmpegOnce(name, grey({320, 240}, rate) + sine() + QStringList{
        "-vf", numbered(), "-frames:v", QString::number(frames), "-shortest", "-c:v", "mpeg2video", "-bf",
        QString::number(bFrames), "-c:a", sound, "-f", "vob"});
}

QString longFilm()
{
    // Half an hour of a two-second scene, joined without re-encoding as
    // long recordings are cut and joined.
    const QString scene = testmedia::ffmpegOnce("real_scene.mkv", grey({320, 240}, "25") + sine() + QStringList{
        "-vf", numbered(), "-frames:v", "50", "-shortest", "-c:v", "libx264", "-g", "25", "-c:a", "aac", "-b:a", "32k"});
    if (scene.isEmpty())
        return {};
    QByteArray list;
    for (int i = 0; i < 900; ++i)
        list += "file '" + QFile::encodeName(scene) + "'\nduration 2\n";
    const QString listPath = writeOnce("real_film.txt", list);
    return testmedia::ffmpegOnce("real_film.mkv", {"-f", "concat", "-safe", "0", "-i", listPath, "-c", "copy"});
}

QString karaoke()
{
    // A .kar file: a MIDI song with its words as text events.
    midiwriter::Track info;
    info.bpm(0, 120).text(0, "@KMIDI KARAOKE FILE").endOfTrack();
    midiwriter::Track words;
    words.text(0, "@TNorrava sings").text(0, "\\Twin").text(480, "kle ").text(480, "twin").text(480, "kle").endOfTrack();
    midiwriter::Track melody;
    melody.programChange(0, 0, 0);
    for (int key : {60, 60, 67, 67, 69, 69, 67, 65})
        melody.noteOn(0, 0, key, 100).noteOff(480, 0, key);
    melody.endOfTrack();
    const midiwriter::Bytes bytes = midiwriter::smf(1, 480, {info, words, melody});
    return writeOnce("real_song.kar", QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
}

QByteArray amrNarrowband(int frames)
{
    // "#!AMR\n" then 4.75 kbit/s frames: a header byte and 12 bytes of
    // speech parameters, any of which decode.
    std::mt19937 random(7);
    QByteArray bytes("#!AMR\n");
    for (int i = 0; i < frames; ++i) {
        bytes += char(0x04);
        for (int k = 0; k < 12; ++k)
            bytes += char(random() & 0xFF);
    }
    return bytes;
}

} // namespace

QString rotatedClip(int degrees, QSize displayed, int frames, bool withSound)
{
    // Stored turned clockwise by the angle the container asks to turn it
    // back by (ffmpeg's "rotate" tag).
    const QString turn = degrees == 90 ? "transpose=clock" : degrees == 180 ? "hflip,vflip" : "transpose=cclock";
    const QString name = QStringLiteral("real_rot%1_%2x%3_%4%5").arg(degrees).arg(displayed.width()).arg(displayed.height())
                             .arg(frames).arg(withSound ? "_s" : "");
    QStringList args = grey(displayed, "30");
    if (withSound)
        args += sine();
    args << "-vf" << numbered(turn) << "-frames:v" << QString::number(frames) << "-c:v" << "libx264" << "-g" << "30";
    if (withSound)
        args << "-shortest" << "-c:a" << "aac";
    const QString stored = testmedia::ffmpegOnce(name + "_stored.mp4", args);
    if (stored.isEmpty())
        return {};
    return testmedia::ffmpegOnce(name + ".mp4", {"-i", stored, "-c", "copy", "-metadata:s:v:0",
                                                 "rotate=" + QString::number(degrees)});
}

QList<Sample> corpus()
{
    QList<Sample> list;
    list << video("phone video turned 90 degrees (H.264, AAC)", phone(90), {240, 320}, 60, 60, {{37, 37}, {59, 59}});
    list << video("phone video upside down (180 degrees)", phone(180), {320, 240}, 60, 60, {{37, 37}, {0, 0}});
    list << video("phone video turned 270 degrees", phone(270), {240, 320}, 60, 60, {{37, 37}, {1, 1}});
    list << video("anamorphic PAL 16:9 (MPEG-2, 720x576 at 64:45)", anamorphicPal(), {1024, 576}, 25, 25, {{13, 13}});
    // mpv counts it at the first rate: frame 30 is 1.2 s, half-way
    // through the part at 50 frames per second.
    list << video("variable frame rate (25 then 50 fps joined)", variableRate(), {320, 240}, 45, 80,
                  {{10, 10}, {30, 10}});
    list << video("HEVC 10-bit", hevc10(), {320, 240}, 25, 25, {{17, 17}});
    if (av1Encoder().isEmpty())
        list << missing("AV1 with Opus in WebM", "digitalvideo", "this ffmpeg has no AV1 encoder");
    else
        list << video("AV1 with Opus in WebM (" + av1Encoder() + ")", av1Opus(), {320, 240}, 25, 25, {{17, 17}});
    // A transport stream's length may count one frame time past its last
    // picture.
    list << video("MPEG-TS (H.264, MP2)", transportStream("real_h264_mp2.ts", "mp2", false), {320, 240}, 50, 51,
                  {{33, 33}, {2, 2}});
    list << video("M2TS (H.264, AC-3)", transportStream("real_h264_ac3.m2ts", "ac3", true), {320, 240}, 50, 51,
                  {{33, 33}, {49, 49}});
    list << video("interlaced MPEG-2 (PAL 4:3, MP2)", interlacedMpeg2(), {768, 576}, 25, 25, {{11, 11}});
    list << video("camcorder program stream (.mod, MPEG-2, AC-3)", programStream("real_camcorder.mod", "25", 250, 0, "ac3"),
                  {320, 240}, 250, 250, {{248, 248}, {137, 137}, {247, 247}, {0, 0}});
    list << video("DVD program stream with B-frames (.vob, 29.97 fps, MP2)",
                  programStream("real_dvd_ntsc.vob", "30000/1001", 300, 2, "mp2"), {320, 240}, 300, 300,
                  {{299, 299}, {150, 150}, {298, 298}, {1, 1}});
    list << video("long film joined from one scene (30 min)", longFilm(), {320, 240}, 45000, 45000,
                  {{44999, 49}, {22512, 12}, {51, 1}});
    list << sound("5.1 FLAC, 24 bit at 96 kHz",
                  testmedia::ffmpegOnce("real_51_24_96.flac", sine(96000) + QStringList{
                      "-t", "2", "-af", "pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0", "-c:a", "flac",
                      "-sample_fmt", "s32", "-bits_per_raw_sample", "24"}),
                  1950, 2050, 96000, 6);
    list << sound("Opus", testmedia::ffmpegOnce("real_opus.opus", sine() + QStringList{"-t", "2", "-ac", "2", "-c:a", "libopus"}),
                  1950, 2050, 48000, 2);
    list << sound("AAC in M4A", testmedia::ffmpegOnce("real_aac.m4a", sine(44100) + QStringList{"-t", "2", "-ac", "2", "-c:a", "aac"}),
                  1950, 2100, 44100, 2);
    list << sound("MP3 with an embedded cover picture",
                  testmedia::ffmpegOnce("real_cover.mp3", sine(44100) + QStringList{
                      "-f", "lavfi", "-i", "color=c=orange:size=96x96", "-t", "2", "-map", "0:a", "-map", "1:v",
                      "-frames:v", "1", "-c:a", "libmp3lame", "-c:v", "mjpeg", "-disposition:v", "attached_pic",
                      "-id3v2_version", "3"}),
                  1950, 2100, 44100, 1);
    list << sound("long WAV (20 min, 8 kHz mono)",
                  testmedia::ffmpegOnce("real_long.wav", sine(8000) + QStringList{"-t", "1200", "-c:a", "pcm_u8"}),
                  1200000, 1200000, 8000, 1);
    list << sound("karaoke MIDI (.kar)", karaoke(), 3900, 4300, 0, 0, "sequencer");
    return list;
}

QList<Sample> containers()
{
    const QStringList picture = grey({160, 120}, "25") + sine() + QStringList{"-t", "1", "-pix_fmt", "yuv420p"};
    const QStringList tone = sine() + QStringList{"-t", "1"};
    auto clip = [&](const QString& extension, const QStringList& codecs, QSize source = {160, 120}) {
        return video("." + extension, testmedia::ffmpegOnce("box." + extension, picture + codecs), source, 20, 30);
    };
    auto audio = [&](const QString& extension, const QStringList& codecs, const QStringList& input = {}) {
        return sound("." + extension, testmedia::ffmpegOnce("box." + extension, (input.isEmpty() ? tone : input) + codecs),
                     900, 1100);
    };
    QList<Sample> list;
    list << clip("m2ts", {"-c:v", "libx264", "-c:a", "ac3", "-f", "mpegts", "-mpegts_m2ts_mode", "1"});
    list << clip("mts", {"-c:v", "libx264", "-c:a", "ac3", "-f", "mpegts", "-mpegts_m2ts_mode", "1"});
    list << clip("m2t", {"-c:v", "mpeg2video", "-c:a", "mp2", "-f", "mpegts"});
    // Program streams: exact, however few pictures carry a time.
    auto exact = [&](const QString& extension, const QStringList& codecs) {
        return video("." + extension, testmedia::ffmpegOnce("box." + extension, picture + codecs), {160, 120}, 25, 25);
    };
    list << exact("mod", {"-c:v", "mpeg2video", "-c:a", "ac3", "-f", "vob"});
    list << exact("tod", {"-c:v", "mpeg2video", "-c:a", "ac3", "-f", "vob"});
    list << video(".dv", testmedia::ffmpegOnce("box.dv", grey({720, 576}, "25") + sine() + QStringList{
                             "-t", "1", "-c:v", "dvvideo", "-pix_fmt", "yuv420p", "-c:a", "pcm_s16le", "-ac", "2", "-f", "dv"}),
                  {768, 576}, 20, 30);
    list << exact("vob", {"-c:v", "mpeg2video", "-c:a", "ac3", "-f", "vob"});
    list << clip("mxf", {"-c:v", "mpeg2video", "-c:a", "pcm_s16le", "-f", "mxf"});
    list << clip("f4v", {"-c:v", "libx264", "-c:a", "aac", "-f", "f4v"});
    list << clip("divx", {"-c:v", "mpeg4", "-vtag", "DIVX", "-c:a", "mp2", "-f", "avi"});
    list << clip("rm", {"-c:v", "rv20", "-c:a", "ac3", "-f", "rm"});
    list << clip("rmvb", {"-c:v", "rv20", "-c:a", "ac3", "-f", "rm"});
    list << clip("mk3d", {"-c:v", "libx264", "-c:a", "aac", "-f", "matroska"});
    list << video(".y4m", testmedia::ffmpegOnce("box.y4m", grey({160, 120}, "25") + QStringList{
                              "-t", "1", "-pix_fmt", "yuv420p", "-f", "yuv4mpegpipe"}),
                  {160, 120}, 20, 30);
    list << audio("mka", {"-c:a", "flac", "-f", "matroska"});
    list << audio("ac3", {"-c:a", "ac3", "-f", "ac3"});
    list << audio("eac3", {"-c:a", "eac3", "-f", "eac3"});
    list << audio("dts", {"-c:a", "dca", "-strict", "-2", "-f", "dts"});
    list << missing(".ape", "waveaudio", "ffmpeg has no Monkey's Audio encoder");
    list << audio("wv", {"-c:a", "wavpack", "-f", "wv"});
    list << missing(".mpc", "waveaudio", "ffmpeg has no Musepack encoder");
    list << audio("tta", {"-c:a", "tta", "-f", "tta"});
    list << audio("caf", {"-c:a", "pcm_s16le", "-f", "caf"});
    list << sound(".amr", writeOnce("box.amr", amrNarrowband(50)), 900, 1100);
    if (hasEncoder("libspeex"))
        list << audio("spx", {"-c:a", "libspeex", "-f", "spx"}, sine(16000) + QStringList{"-t", "1"});
    else
        list << missing(".spx", "waveaudio", "this ffmpeg has no Speex encoder");
    list << audio("weba", {"-c:a", "libopus", "-f", "webm"});
    return list;
}

} // namespace realmedia
