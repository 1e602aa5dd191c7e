// norrava: the program entry.
#include "datafiles.h"
#include "device.h"
#include "norravaapplication.h"
#include "tapp.h"
#include "uapp.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>

#include <clocale>
#include <cstdio>

int main(int argc, char** argv)
{
    // Help and version need no display: answer them before the GUI starts.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const bool help = ParseCommandLine(arguments).help;
    if (help || arguments.contains("--version") || arguments.contains("-v")) {
        if (help)
            std::fputs(kUsageText, stdout);
        else
            std::printf("%s\n", NorravaApplication::Title);
        return 0;
    }

    NorravaApplication::LimitMemoryPools();
    PreferXcbOnWayland();
    // Pixel art stays crisp only at whole scale factors: a 150 % desktop
    // gets 2x rather than a blurred 1.5x.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
    NorravaApplication application(argc, argv);
    // The media engine needs C number formatting whatever the user's locale.
    std::setlocale(LC_NUMERIC, "C");

    // Qt has taken its own options (-platform, -style ...) out by now.
    const TCommandLine command = ParseCommandLine(application.arguments());
    if (!command.error.isEmpty()) {
        std::fprintf(stderr, "norrava: %s\n", qPrintable(command.error));
        return 2;
    }
    QString file = command.file.isEmpty() ? FindDataFile("demo.mp4") : command.file;
    if (!file.isEmpty() && !QFileInfo(file).isFile())
        std::fprintf(stderr, "norrava: %s: no such file\n", qPrintable(file));

    std::unique_ptr<TAppWindows> windows = CreateWindows();
    Tapp* app = windows->app.get();
    app->show();
    // The engine's libraries load while the window comes up (loading them
    // first would delay it, since both need the dynamic loader), and the
    // file opens once they are in, so the window never waits for them.
    const QString path = file.isEmpty() ? QString() : QFileInfo(file).absoluteFilePath();
    mci::preloadEngine(app, [app, path] {
        if (!path.isEmpty())
            app->LoadTheFile(path);
    });
    const int code = application.exec();
    windows.reset();
    return code;
}
