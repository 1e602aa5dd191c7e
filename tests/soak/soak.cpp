// norrava_soak: drives the real player through a long random sequence of
// loads, transport presses, slider moves, size changes and captures, then
// closes it. Run by scripts/soak.sh, under the sanitizer build for a leak
// check at exit; prints what it did and how memory went.
//   norrava_soak [--seed N] [--count N] [--seconds N]
#include "hostilemedia.h"
#include "midiwriter.h"
#include "norravaapplication.h"
#include "rxslider.h"
#include "tapp.h"
#include "testmedia.h"
#include "uapp.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>

namespace {

struct Options {
    unsigned seed = 1;
    long count = 50000; // the time bound usually ends the run first
    double seconds = 180;
};

bool ParseOptions(int argc, char** argv, Options* options)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seed") == 0)
            options->seed = unsigned(std::stoul(argv[i + 1]));
        else if (std::strcmp(argv[i], "--count") == 0)
            options->count = std::stol(argv[i + 1]);
        else if (std::strcmp(argv[i], "--seconds") == 0)
            options->seconds = std::stod(argv[i + 1]);
        else
            return false;
    }
    return argc % 2 == 1;
}

// Resident and peak resident memory of this process, in MiB.
struct Memory {
    double rss = 0, peak = 0;
};

Memory ReadMemory()
{
    Memory memory;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        long kib = 0;
        if (std::sscanf(line.c_str(), "VmRSS: %ld", &kib) == 1)
            memory.rss = kib / 1024.0;
        else if (std::sscanf(line.c_str(), "VmHWM: %ld", &kib) == 1)
            memory.peak = kib / 1024.0;
    }
    return memory;
}

QStringList MakeMedia()
{
    QStringList files{
        testmedia::frameClip("soak_h264", "mp4", {"-c:v", "libx264", "-bf", "2", "-g", "25"}, 150, 320, 240),
        testmedia::frameClip("soak_mpeg4", "avi", {"-c:v", "mpeg4", "-q:v", "4"}, 100, 176, 144),
        testmedia::frameClip("soak_silent", "mkv", {"-c:v", "libx264"}, 60, 160, 120, "30", false),
        testmedia::wavFile("soak_tone", 44100, 2, "pcm_s16le", 3000),
        hostilemedia::goodMidi(),
    };
    files.removeAll(QString());
    return files;
}

class Soak {
public:
    Soak(const Options& options, const QStringList& media, const QString& captureDir)
        : FOptions(options), FRandom(options.seed), FMedia(media), FCaptureDir(captureDir)
    {
        for (const hostilemedia::Case& c : hostilemedia::cases())
            FHostile << c.path;
        FWindows = CreateWindows();
        FApp = FWindows->app.get();
        FApp->ShowMediaMessage = [this](const QString&) { ++FRefusals; };
        FApp->ChooseCaptureFile = [this] { return FCaptureDir + QStringLiteral("/capture-%1.bmp").arg(FCaptures); };
        FApp->ScreenSize = [] { return QSize(1280, 1024); };
        FApp->OpenAbout = [] {};
        FApp->show();
        QCoreApplication::processEvents();
    }

    ~Soak() { FWindows.reset(); }

    void Run()
    {
        QElapsedTimer clock;
        clock.start();
        Load(FMedia.first());
        Settle(300);
        const Memory start = ReadMemory();
        std::printf("start: rss %.1f MiB, peak %.1f MiB\n", start.rss, start.peak);
        long done = 0;
        while (done < FOptions.count && clock.elapsed() < FOptions.seconds * 1000) {
            try {
                Step();
            } catch (const std::exception& e) {
                // The application would show it and carry on; so does the soak, but it fails at the end.
                std::fprintf(stderr, "operation %ld threw: %s\n", done, e.what());
                ++FErrors;
            }
            ++done;
            if (done % 250 == 0) {
                const Memory now = ReadMemory();
                std::printf("%6ld operations, %5.1f min: rss %.1f MiB, peak %.1f MiB\n", done,
                            clock.elapsed() / 60000.0, now.rss, now.peak);
                std::fflush(stdout);
            }
        }
        const Memory end = ReadMemory();
        std::printf("end: %ld operations in %.2f minutes (%ld loads, %ld refused, %ld captures), "
                    "rss %.1f MiB, peak %.1f MiB\n",
                    done, clock.elapsed() / 60000.0, FLoads, FRefusals, FCaptures, end.rss, end.peak);
        FApp->ButtonStopClick();
        FApp->close();
        QCoreApplication::processEvents();
    }

private:
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(FRandom); }

    void Settle(int ms) { QTest::qWait(ms); }

    void Load(const QString& path)
    {
        ++FLoads;
        FApp->LoadTheFile(path);
    }

    void Step()
    {
        switch (Pick(18)) {
        case 0:
            // Now and then a damaged or mislabelled file.
            Load(Pick(4) == 0 && !FHostile.isEmpty() ? FHostile[Pick(int(FHostile.size()))]
                                                     : FMedia[Pick(int(FMedia.size()))]);
            break;
        case 1: FApp->ButtonPlayClick(); break;
        case 2: FApp->ButtonPauseClick(); break;
        case 3: FApp->ButtonStopClick(); break;
        case 4: FApp->ButtonRewindClick(); break;
        case 5: FApp->ButtonForwardClick(); break;
        case 6: FApp->ButtonFrameBackClick(); break;
        case 7: FApp->ButtonFrameForwardClick(); break;
        case 8: {
            TRxSlider* slider = FApp->VideoPositionSlider;
            FApp->VideoPositionSliderMouseDown();
            slider->SetValue(slider->MinValue() + Pick(std::max(1, slider->MaxValue() - slider->MinValue() + 1)));
            FApp->VideoPositionSliderMouseUp();
            break;
        }
        case 9: FApp->VolumeSlider->SetValue(Pick(65536)); break;
        case 10: FApp->ButtonBiggerClick(); break;
        case 11: FApp->ButtonSmallerClick(); break;
        case 12: FApp->ButtonNormalSizeClick(); break;
        case 13:
            if (Pick(8) == 0)
                FApp->ButtonMaximiseClick();
            break;
        case 14: Capture(); break;
        case 15: FApp->Timer1Timer(); break;
        default: Settle(Pick(120)); break;
        }
        QCoreApplication::processEvents();
    }

    void Capture()
    {
        const QString file = FApp->ChooseCaptureFile();
        FApp->ButtonCaptureClick();
        if (QFileInfo(file).size() > 0) {
            ++FCaptures;
            QFile::remove(file);
        }
    }

    Options FOptions;
    std::mt19937 FRandom;
    QStringList FMedia;
    QStringList FHostile;
    QString FCaptureDir;
    std::unique_ptr<TAppWindows> FWindows;
    Tapp* FApp = nullptr;
    long FLoads = 0;
    long FRefusals = 0;
    long FCaptures = 0;

public:
    long FErrors = 0;
};

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fprintf(stderr, "usage: norrava_soak [--seed N] [--count N] [--seconds N]\n");
        return 2;
    }
    NorravaApplication::LimitMemoryPools(); // as the player does
    int code = 0;
    {
        NorravaApplication application(argc, argv);
        NorravaApplication::SetExceptionReporter([&code](const QString& message) {
            std::fprintf(stderr, "error reported: %s\n", qPrintable(message));
            code = 1;
        });
        const QStringList media = MakeMedia();
        if (media.size() < 5) {
            std::fprintf(stderr, "could not make the soak media (is ffmpeg installed?)\n");
            return 1;
        }
        QTemporaryDir captures;
        std::printf("seed %u, at most %ld operations or %.0f s\n", options.seed, options.count, options.seconds);
        Soak soak(options, media, captures.path());
        soak.Run();
        if (soak.FErrors > 0)
            code = 1;
    }
    return code;
}
