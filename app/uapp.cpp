#include "uapp.h"

#include "fileblind.h"
#include "filenavigator.h"
#include "idleinhibitor.h"
#include "mprisservice.h"
#include "sessionbus.h"
#include "statushandle.h"
#include "statuspanel.h"
#include "tapp.h"

#include <cstdlib>

TAppWindows::TAppWindows() = default;

TAppWindows::~TAppWindows()
{
    IdleInhibitor.reset();
    Mpris.reset();
    StatusPanel.reset();
    FileNavigator.reset();
    StatusHandle.reset();
    FileBlind.reset();
    app.reset();
}

std::unique_ptr<TAppWindows> CreateWindows()
{
    auto windows = std::make_unique<TAppWindows>();
    windows->app = std::make_unique<Tapp>();
    Tapp* app = windows->app.get();

    windows->FileBlind = std::make_unique<TFileBlind>();
    app->FileBlind = windows->FileBlind.get();
    windows->StatusHandle = std::make_unique<TStatusHandle>();
    app->StatusHandle = windows->StatusHandle.get();
    windows->FileNavigator = std::make_unique<TFileNavigator>();
    app->FileNavigator = windows->FileNavigator.get();
    windows->StatusPanel = std::make_unique<TStatusPanel>(app->StatusHandle);
    app->StatusPanel = windows->StatusPanel.get();

    windows->FileBlind->SetNavigator(app->FileNavigator);
    windows->StatusHandle->SetStatusPanel(app->StatusPanel);
    TFileNavigatorHost host;
    host.mainWindow = app;
    host.loadTheFile = [app](const QString& path) { app->LoadTheFile(path); };
    host.isMaximised = [app] { return app->IsMaximised; };
    host.setSavedNavigatorWidth = [app](int width) { app->SavedNavigatorWidth = width; };
    windows->FileNavigator->SetHost(host);
    windows->FileNavigator->SetHandle(app->FileBlind);
    // A file dropped on the navigator opens in the player.
    windows->FileNavigator->setAcceptDrops(true);
    windows->FileNavigator->installEventFilter(app);

    if (const std::optional<QDBusConnection> bus = DesktopSessionBus()) {
        windows->Mpris = std::make_unique<MprisService>(app, *bus);
        windows->IdleInhibitor = std::make_unique<IdleInhibitor>(*bus);
        windows->IdleInhibitor->follow(app);
    }
    return windows;
}

void PreferXcbOnWayland()
{
    const bool chosen = std::getenv("QT_QPA_PLATFORM") != nullptr;
    const bool wayland = std::getenv("WAYLAND_DISPLAY") != nullptr;
    const bool x11 = std::getenv("DISPLAY") != nullptr;
    if (!chosen && wayland && x11)
        setenv("QT_QPA_PLATFORM", "xcb", 1);
}

const char* const kUsageText =
    "Usage: norrava [FILE]\n"
    "\n"
    "Plays FILE (video, audio or MIDI) in Norrava's skinned window; without\n"
    "FILE it plays the bundled demo clip. Starting norrava again while one\n"
    "runs starts a second, independent player.\n"
    "\n"
    "  -h, --help     show this help\n"
    "  -v, --version  show the version\n"
    "\n"
    "Keys in the player window (each works while its button does):\n"
    "  Space                  play, or pause while playing\n"
    "  Left, Right            one frame back, forward\n"
    "  Ctrl+Left, Ctrl+Right  visual rewind, forward\n"
    "  Home                   back to the start\n"
    "  Up, Down               volume up, down by 5 %\n"
    "  Ctrl+O                 open a file\n"
    "  Ctrl+S                 save the current frame as a bitmap\n"
    "  +, -                   bigger, smaller picture\n"
    "  Ctrl+0                 picture at its natural size\n"
    "  F                      maximise, or restore (or double-click the picture)\n"
    "  F1                     help\n";

TCommandLine ParseCommandLine(const QStringList& arguments)
{
    TCommandLine result;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == "-h" || arg == "--help") {
            result.help = true;
        } else if (arg == "--") {
            if (i + 1 < arguments.size())
                result.file = arguments[i + 1];
            break;
        } else if (arg.startsWith('-') && arg.size() > 1 && result.file.isEmpty()) {
            result.error = "unknown option '" + arg + "' (try --help)";
        } else if (result.file.isEmpty()) {
            result.file = arg;
        } else {
            result.error = "only one file can be played at a time";
        }
    }
    return result;
}
