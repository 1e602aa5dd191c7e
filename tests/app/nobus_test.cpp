// Without a session bus the player plays as it always did: no media
// controls, no screen saver, and not a word about the missing bus.
#include "apptest.h"

#include "idleinhibitor.h"
#include "mprisservice.h"

#include <QFile>
#include <QTemporaryDir>

using namespace apptest;

namespace {

QStringList& messages()
{
    static QStringList list;
    return list;
}

QTemporaryDir& runtimeDir()
{
    static QTemporaryDir dir;
    return dir;
}

const auto* const environment = ::testing::AddGlobalTestEnvironment(new Environment([] {
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) { messages() << text; });
    // No address, and no bus socket where libdbus would look without one.
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("XDG_RUNTIME_DIR", runtimeDir().path().toUtf8());
}));

QStringList busMessages()
{
    QStringList found;
    for (const QString& text : messages())
        if (text.contains("dbus", Qt::CaseInsensitive) || text.contains("d-bus", Qt::CaseInsensitive))
            found << text;
    return found;
}

using NoBusTest = PlayerTest;

TEST_F(NoBusTest, ThePlayerPlaysSilently)
{
    const struct {
        const char* name;
        std::function<void()> environment;
    } cases[] = {
        {"no address", [] {}},
        // Left over from a session that has ended.
        {"a stale bus socket", [] { QFile(runtimeDir().filePath("bus")).open(QIODevice::WriteOnly); }},
        {"an address nothing answers at",
         [] { qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + runtimeDir().filePath("gone").toUtf8()); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.environment();
        windows.reset();
        messages().clear();
        SetUp();
        EXPECT_FALSE(windows->Mpris);
        EXPECT_FALSE(windows->IdleInhibitor);
        load(clip100());
        EXPECT_TRUE(waitUntil([&] { return app->ShownState == Tapp::TShownState::Playing; }));
        app->ButtonPauseClick();
        EXPECT_TRUE(waitUntil([&] { return app->ShownState == Tapp::TShownState::Paused; }));
        app->close();
        EXPECT_TRUE(busMessages().isEmpty()) << busMessages().join(" | ").toStdString();
    }
}

} // namespace
