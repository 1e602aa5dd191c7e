#include "metertest.h"

#include <QApplication>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace {

// A server address nobody listens on.
const QByteArray kNobodyListens = "unix:/nonexistent/norrava/pulse/native";

QApplication& application()
{
    static int argc = 1;
    static char name[] = "vumeter_test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

} // namespace

TEST(VumeterTest, ClosedMeterKeepsItsValues)
{
    TVumeter meter;
    EXPECT_FALSE(meter.IsOpen());
    meter.ReadPeaks();
    EXPECT_EQ(meter.LeftPeak, 0);
    EXPECT_EQ(meter.RightPeak, 0);
    meter.LeftPeak = 17;
    meter.RightPeak = 4;
    meter.ReadPeaks();
    EXPECT_EQ(meter.LeftPeak, 17);
    EXPECT_EQ(meter.RightPeak, 4);
    meter.CloseMixer();
    meter.CloseMixer();
}

TEST(VumeterTest, WithoutAHookTheMessageIsAnInformationBox)
{
    QApplication& app = application();
    app.setApplicationDisplayName("Norrava " NORRAVA_VERSION);
    EnvOverride noServer("PULSE_SERVER", kNobodyListens);
    TVumeter meter;

    QString shownText;
    QString shownTitle;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box && box->isVisible()) {
                shownText = box->text();
                shownTitle = box->windowTitle();
                box->accept();
            }
        }
    });
    closer.start(20);
    meter.OpenMixer();
    closer.stop();

    EXPECT_EQ(shownText, "No Wave Devices to open");
    EXPECT_EQ(shownTitle, "Norrava " NORRAVA_VERSION);
    EXPECT_FALSE(meter.IsOpen());
}

// Servers the meter cannot use: nobody listens, or the server accepts the
// connection and then never says a word (opening gives up after its own
// bound instead of hanging start-up). Either way the meter says "No Wave
// Devices to open" once and stays dark.
TEST(VumeterTest, UnusableServersReportNoWaveDevicesAndStayDark)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray path = (dir.path() + "/native").toLocal8Bit();
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(static_cast<size_t>(path.size()), sizeof(address.sun_path));
    std::memcpy(address.sun_path, path.constData(), path.size());
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(::listen(listener, 4), 0);

    const struct {
        const char* name;
        QByteArray address;
    } servers[] = {
        {"nobody listening", kNobodyListens},
        {"a silent server", "unix:" + path},
    };
    for (const auto& server : servers) {
        SCOPED_TRACE(server.name);
        EnvOverride target("PULSE_SERVER", server.address);
        QuietMeter meter;
        meter.OpenMixer();
        EXPECT_EQ(meter.messages, QStringList{"No Wave Devices to open"});
        EXPECT_FALSE(meter.IsOpen());
        EXPECT_EQ(meter.ChannelCount(), 0);
        for (int i = 0; i < 3; ++i)
            meter.ReadPeaks();
        EXPECT_EQ(meter.LeftPeak, 0);
        EXPECT_EQ(meter.RightPeak, 0);
        meter.CloseMixer();
        meter.CloseMixer();
        EXPECT_EQ(meter.messages.size(), 1);
    }
    ::close(listener);
}
