// The sound server dies while the player plays: the player keeps running,
// the level bars freeze at their last reading, the device keeps answering,
// and once a server is back the next load plays sound through it again.
// Uses its own PulseAudio server, so the one the other tests share is left
// alone; skipped when PulseAudio is not installed.
#include "mediachannel.h"
#include "norravaapplication.h"
#include "tapp.h"
#include "testmedia.h"
#include "testservices.h"
#include "uapp.h"
#include "vumeter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A private PulseAudio server with a null sink, started and stopped by pid.
class PrivateServer {
public:
    explicit PrivateServer(const QString& runtime)
        : FRuntime(runtime), FSocket(runtime + "/pulse/native")
    {
    }
    ~PrivateServer() { Kill(); }

    QString Address() const { return "unix:" + FSocket; }

    bool Start()
    {
        QDir().mkpath(FRuntime + "/pulse");
        QFile::remove(FSocket); // left behind by a killed server
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", FRuntime);
        env.insert("XDG_RUNTIME_DIR", FRuntime + "/pulse");
        FProcess.setProcessEnvironment(env);
        FProcess.setProcessChannelMode(QProcess::MergedChannels);
        FProcess.start("pulseaudio", {"-n", "--daemonize=no", "--exit-idle-time=-1", "--disable-shm=yes",
                                      "--use-pid-file=no", "--system=no",
                                      "--load=module-null-sink sink_name=norrava_null",
                                      "--load=module-native-protocol-unix auth-anonymous=1 socket=" + FSocket});
        if (!FProcess.waitForStarted(10000))
            return false;
        return QTest::qWaitFor([this] { return Ctl({"info"}) != std::nullopt; }, 15000);
    }

    void Kill()
    {
        if (FProcess.state() == QProcess::NotRunning)
            return;
        FProcess.kill();
        FProcess.waitForFinished(10000);
    }

    // Sink inputs (playing streams) the server has now.
    int SinkInputs() const
    {
        const auto out = Ctl({"list", "short", "sink-inputs"});
        return out ? int(out->split('\n', Qt::SkipEmptyParts).size()) : -1;
    }

private:
    std::optional<QString> Ctl(const QStringList& args) const
    {
        QProcess ctl;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PULSE_SERVER", Address());
        ctl.setProcessEnvironment(env);
        ctl.start("pactl", args);
        if (!ctl.waitForFinished(10000) || ctl.exitStatus() != QProcess::NormalExit || ctl.exitCode() != 0)
            return std::nullopt;
        return QString::fromUtf8(ctl.readAllStandardOutput());
    }

    QString FRuntime;
    QString FSocket;
    QProcess FProcess;
};

TEST(SoundServer, PlayerSurvivesTheServerDyingAndPlaysAgainOnANewOne)
{
    if (QStandardPaths::findExecutable("pulseaudio").isEmpty() || QStandardPaths::findExecutable("pactl").isEmpty())
        NORRAVA_SKIP_OR_FAIL() << "PulseAudio is not installed";
    const QString tone = testmedia::wavFile("soundserver_tone", 44100, 2, "pcm_s16le", 20000);
    ASSERT_FALSE(tone.isEmpty());

    QTemporaryDir runtime;
    PrivateServer server(runtime.path());
    ASSERT_TRUE(server.Start());
    // Real sound output, to this server only.
    qunsetenv("NORRAVA_AUDIO");
    qputenv("PULSE_SERVER", server.Address().toUtf8());

    int argc = 1;
    char name[] = "soundserver_test";
    char* argv[] = {name, nullptr};
    NorravaApplication application(argc, argv);
    QStringList errors;
    NorravaApplication::SetExceptionReporter([&](const QString& message) { errors << message; });
    {
        std::unique_ptr<TAppWindows> windows = CreateWindows();
        Tapp* app = windows->app.get();
        QStringList messages;
        app->ShowMediaMessage = [&](const QString& text) { messages << text; };
        app->show();

        app->LoadTheFile(tone);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !app->Loading(); }, 30000));
        ASSERT_TRUE(messages.isEmpty());
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.SinkInputs() >= 1; }, 30000)) << "no stream reached the server";
        // The poll runs from the player's own timer; the tone lights the bars.
        ASSERT_TRUE(QTest::qWaitFor([&] { return app->Vumeter->LeftPeak > 0; }, 30000));

        server.Kill();
        // The poll keeps running while the meter notices; from then on
        // nothing new is read.
        ASSERT_TRUE(QTest::qWaitFor([&] { return app->Vumeter->SourceName().empty(); }, 30000));
        app->Timer1Timer();
        const int left = app->Vumeter->LeftPeak;
        const int right = app->Vumeter->RightPeak;
        for (int i = 0; i < 10; ++i) {
            QCoreApplication::processEvents();
            app->Timer1Timer();
        }
        EXPECT_EQ(app->Vumeter->LeftPeak, left) << "the bars should freeze at the last reading";
        EXPECT_EQ(app->Vumeter->RightPeak, right);
        // The device still answers and either plays on or has stopped.
        const std::string mode = MediaQuery("status z mode");
        EXPECT_TRUE(mode == "playing" || mode == "stopped") << mode;
        app->ButtonPauseClick();
        app->ButtonPlayClick();
        app->ButtonStopClick();
        EXPECT_TRUE(app->Timer1->isActive());

        ASSERT_TRUE(server.Start());
        EXPECT_EQ(server.SinkInputs(), 0);
        app->LoadTheFile(tone);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !app->Loading(); }, 30000));
        EXPECT_TRUE(messages.isEmpty());
        EXPECT_TRUE(QTest::qWaitFor([&] { return server.SinkInputs() >= 1; }, 30000))
            << "the next load did not play through the new server";
        EXPECT_TRUE(QTest::qWaitFor([] { return MediaQuery("status z mode") == "playing"; }, 30000));
        app->ButtonStopClick();
    }
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

} // namespace
