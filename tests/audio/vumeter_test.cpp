#include "vumeter.h"

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

// Points the meter at another server address (by default a socket nobody
// listens on) for one test.
class NoServer {
public:
    explicit NoServer(const QByteArray& address = "unix:/nonexistent/norrava/pulse/native")
        : FSaved(qgetenv("PULSE_SERVER")), FWasSet(qEnvironmentVariableIsSet("PULSE_SERVER"))
    {
        qputenv("PULSE_SERVER", address);
    }
    ~NoServer()
    {
        if (FWasSet)
            qputenv("PULSE_SERVER", FSaved);
        else
            qunsetenv("PULSE_SERVER");
    }

private:
    QByteArray FSaved;
    bool FWasSet;
};

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

TEST(VumeterTest, NoServerReportsNoWaveDevicesAndStaysDark)
{
    NoServer noServer;
    TVumeter meter;
    QStringList messages;
    meter.SetMessageHook([&](const QString& message) { messages << message; });
    meter.OpenMixer();
    EXPECT_EQ(messages, QStringList{"No Wave Devices to open"});
    EXPECT_FALSE(meter.IsOpen());
    EXPECT_EQ(meter.ChannelCount(), 0);
    for (int i = 0; i < 3; ++i)
        meter.ReadPeaks();
    EXPECT_EQ(meter.LeftPeak, 0);
    EXPECT_EQ(meter.RightPeak, 0);
    meter.CloseMixer();
    meter.CloseMixer();
    EXPECT_EQ(messages.size(), 1);
}

TEST(VumeterTest, WithoutAHookTheMessageIsAnInformationBox)
{
    QApplication& app = application();
    app.setApplicationDisplayName("Norrava 1.0");
    NoServer noServer;
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
    EXPECT_EQ(shownTitle, "Norrava 1.0");
    EXPECT_FALSE(meter.IsOpen());
}

// A server that accepts the connection and then never says a word: opening
// gives up after its own bound instead of hanging start-up.
TEST(VumeterTest, SilentServerDoesNotHangTheOpen)
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

    {
        NoServer silent("unix:" + path);
        TVumeter meter;
        QStringList messages;
        meter.SetMessageHook([&](const QString& message) { messages << message; });
        meter.OpenMixer();
        EXPECT_EQ(messages, QStringList{"No Wave Devices to open"});
        EXPECT_FALSE(meter.IsOpen());
    }
    ::close(listener);
}
