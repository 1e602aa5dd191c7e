#include "testmedia.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cstdio>

#include <unistd.h>

namespace testmedia {
namespace {

constexpr int kBits = 16;

bool alreadyMade(const QString& path)
{
    return QFileInfo(path).size() > 0;
}

// Where a file shared by the test programs is written before it is renamed
// into place, so a program running beside this one never reads it half
// written. The extension stays last, for ffmpeg to choose its format by.
QString partialPath(const QString& path)
{
    const QFileInfo info(path);
    const QString suffix = info.suffix().isEmpty() ? QString() : "." + info.suffix();
    return path + ".part" + QString::number(::getpid()) + suffix;
}

bool moveIntoPlace(const QString& partial, const QString& path)
{
    // rename(2) replaces an existing file in one step, as QFile::rename does not.
    if (std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(path).constData()) == 0)
        return true;
    QFile::remove(partial);
    return false;
}

} // namespace

QString dir()
{
    const QString path = QStringLiteral(NORRAVA_TEST_MEDIA_DIR);
    QDir().mkpath(path);
    return path;
}

bool run(const QString& program, const QStringList& args, QString* output)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    if (!process.waitForStarted(30000))
        return false;
    process.closeWriteChannel();
    process.waitForFinished(600000);
    if (output)
        *output = QString::fromLocal8Bit(process.readAll());
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QString frameClip(const QString& name, const QString& extension, const QStringList& encoder, int frames,
                  int width, int height, const QString& rate, bool withAudio)
{
    const QString path = dir() + "/" + name + "." + extension;
    if (alreadyMade(path))
        return path;
    QStringList args{"-loglevel", "error", "-y", "-f", "lavfi", "-i",
                     QStringLiteral("color=c=gray:size=%1x%2:rate=%3").arg(width).arg(height).arg(rate)};
    if (withAudio)
        args << "-f" << "lavfi" << "-i" << "sine=frequency=440:sample_rate=44100";
    args << "-vf" << frameNumberFilter() + ",format=yuv420p";
    args << "-frames:v" << QString::number(frames);
    if (withAudio)
        args << "-shortest";
    const QString partial = partialPath(path);
    args << encoder << partial;
    QString output;
    if (!run("ffmpeg", args, &output)) {
        qWarning("ffmpeg failed for %s: %s", qPrintable(name), qPrintable(output));
        QFile::remove(partial);
        return {};
    }
    return moveIntoPlace(partial, path) ? path : QString();
}

QString frameNumberFilter()
{
    // Top half: bit k of the frame number N in block k; bottom half grey.
    const QString lum = QStringLiteral("if(lt(Y,H/2),255*mod(floor(N/pow(2,floor(X*%1/W))),2),128)").arg(kBits);
    return QStringLiteral("format=gray,geq=lum='%1'").arg(lum);
}

QString ffmpegOnce(const QString& name, const QStringList& args)
{
    const QString path = dir() + "/" + name;
    if (alreadyMade(path))
        return path;
    // The temporary name keeps the extension, from which ffmpeg may pick
    // the container.
    const QString extension = QFileInfo(name).suffix();
    const QString partial = path + ".part" + QString::number(::getpid()) + (extension.isEmpty() ? "" : "." + extension);
    QString output;
    if (!run("ffmpeg", QStringList{"-loglevel", "error", "-y"} + args + QStringList{partial}, &output)) {
        qWarning("ffmpeg failed for %s: %s", qPrintable(name), qPrintable(output));
        QFile::remove(partial);
        return {};
    }
    if (!QFile::rename(partial, path)) // made meanwhile by another test program
        QFile::remove(partial);
    return path;
}

int readFrameNumber(const QImage& image)
{
    if (image.isNull() || image.width() < kBits * 2 || image.height() < 4)
        return -1;
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    const int y = gray.height() / 4;
    int value = 0;
    for (int k = 0; k < kBits; ++k) {
        const int x = (2 * k + 1) * gray.width() / (2 * kBits);
        const int level = gray.constScanLine(y)[x];
        if (level > 90 && level < 165)
            return -1; // neither black nor white: not a frame-numbered picture
        if (level >= 165)
            value |= 1 << k;
    }
    return value;
}

QString wavFile(const QString& name, int sampleRate, int channels, const QString& sampleFormat, int milliseconds)
{
    const QString path = dir() + "/" + name + ".wav";
    if (alreadyMade(path))
        return path;
    const QString partial = partialPath(path);
    const QStringList args{"-loglevel", "error", "-y", "-f", "lavfi", "-i",
                           QStringLiteral("sine=frequency=440:sample_rate=%1").arg(sampleRate),
                           "-t", QString::number(milliseconds / 1000.0, 'f', 3),
                           "-ac", QString::number(channels), "-c:a", sampleFormat, partial};
    QString output;
    if (!run("ffmpeg", args, &output)) {
        qWarning("ffmpeg failed for %s: %s", qPrintable(name), qPrintable(output));
        QFile::remove(partial);
        return {};
    }
    return moveIntoPlace(partial, path) ? path : QString();
}

QString rawFile(const QString& name, const QByteArray& bytes)
{
    const QString path = dir() + "/" + name;
    const QString partial = partialPath(path);
    QFile file(partial);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() ||
        !file.flush()) {
        file.remove();
        return {};
    }
    file.close();
    return moveIntoPlace(partial, path) ? path : QString();
}

} // namespace testmedia
