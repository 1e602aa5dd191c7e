#include "vumeter.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Points the meter at a socket nobody listens on, for one test.
class NoServer {
public:
    NoServer() : FSaved(qgetenv("PULSE_SERVER")), FWasSet(qEnvironmentVariableIsSet("PULSE_SERVER"))
    {
        qputenv("PULSE_SERVER", "unix:/nonexistent/norrava/pulse/native");
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
    EXPECT_FALSE(meter.isOpen());
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
    meter.setMessageHook([&](const QString& message) { messages << message; });
    meter.OpenMixer();
    EXPECT_EQ(messages, QStringList{"No Wave Devices to open"});
    EXPECT_FALSE(meter.isOpen());
    EXPECT_EQ(meter.channelCount(), 0);
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
    EXPECT_FALSE(meter.isOpen());
}
