// Damaged, lying, mislabelled and oddly named files loaded into the player:
// each is refused with the player's one media message or plays as far as it
// can, the player stays responsive, and good files play afterwards.
#include "hostilemedia.h"
#include "mediachannel.h"
#include "norravaapplication.h"
#include "statuspanel.h"
#include "tapp.h"
#include "uapp.h"
#include "vrlabel.h"

#include <gtest/gtest.h>

#include <QTest>

#include <cstdio>

namespace {

const QString kRefusal = "Norrava cannot open this type of file.";

class PlayerEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        application = std::make_unique<NorravaApplication>(argc, argv);
        NorravaApplication::SetExceptionReporter([](const QString& message) {
            ADD_FAILURE() << "an error reached the application: " << message.toStdString();
        });
    }
    // Gone before the exit handlers run, while Qt's own statics still live.
    void TearDown() override { application.reset(); }

private:
    int argc = 1;
    char name[13] = "hostile_test";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<NorravaApplication> application;
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new PlayerEnvironment);

class HostileLoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        windows = CreateWindows();
        app = windows->app.get();
        app->ShowMediaMessage = [this](const QString& text) { messages << text; };
        app->show();
        QCoreApplication::processEvents();
    }

    // Loads a file and runs the poll and the transport a little, as a user
    // would right after opening it. True when the player took the file.
    bool Load(const QString& path)
    {
        messages.clear();
        try {
            app->LoadTheFile(path);
            EXPECT_TRUE(QTest::qWaitFor([&] { return !app->Loading(); }, 30000)) << "the load did not end";
        } catch (const std::exception& e) {
            ADD_FAILURE() << "LoadTheFile threw: " << e.what();
            return false;
        }
        if (!messages.isEmpty()) {
            EXPECT_EQ(messages, QStringList{kRefusal});
            return false;
        }
        EXPECT_TRUE(app->MediaLoaded);
        EXPECT_TRUE(app->Timer1->isActive());
        return true;
    }

    void Exercise()
    {
        app->Timer1Timer();
        app->ButtonFrameForwardClick();
        app->ButtonForwardClick();
        app->Timer1Timer();
        app->ButtonRewindClick();
        app->ButtonPlayClick();
        QTest::qWait(50);
        app->Timer1Timer();
        app->ButtonStopClick();
        app->Timer1Timer();
    }

    // A good file plays: its position moves on from the start.
    void ExpectPlays(const QString& path)
    {
        ASSERT_TRUE(Load(path)) << path.toStdString();
        EXPECT_TRUE(QTest::qWaitFor([] { return MediaQuery("status z mode") == "playing"; }, 30000));
        EXPECT_TRUE(QTest::qWaitFor([] { return ReadNumber(MediaQuery("status z position")) > 0; }, 30000));
        app->Timer1Timer();
        EXPECT_EQ(app->StatusPanel->StatusLabel->Caption(), "Playing");
    }

    std::unique_ptr<TAppWindows> windows;
    Tapp* app = nullptr;
    QStringList messages;
};

TEST_F(HostileLoad, EveryFileIsRefusedOrPlayedAndGoodFilesPlayAfterwards)
{
    ASSERT_FALSE(hostilemedia::goodVideo().isEmpty());
    for (const hostilemedia::Case& c : hostilemedia::cases()) {
        SCOPED_TRACE(c.label.toStdString());
        const bool taken = Load(c.path);
        std::printf("%-45s %s\n", qPrintable(c.label), taken ? "played" : "refused");
        if (c.mustRefuse) {
            EXPECT_FALSE(taken) << "took a file with nothing playable in it";
        }
        if (c.mustOpen) {
            EXPECT_TRUE(taken);
        }
        if (taken) {
            Exercise();
            if (c.mustOpen) {
                EXPECT_EQ(app->StatusPanel->VrLabel1->Caption(), c.path.mid(c.path.lastIndexOf('/') + 1));
            }
        }
        QCoreApplication::processEvents();
    }
    ExpectPlays(hostilemedia::goodVideo());
    EXPECT_TRUE(app->HasVideo);
    ExpectPlays(hostilemedia::goodWav());
    ExpectPlays(hostilemedia::goodMidi());
}

TEST_F(HostileLoad, RefusalLeavesThePlayerUsableForTheNextFile)
{
    ASSERT_TRUE(Load(hostilemedia::goodWav()));
    const QList<hostilemedia::Case> cases = hostilemedia::cases();
    const auto text = std::find_if(cases.begin(), cases.end(), [](const auto& c) { return c.path.endsWith("text.avi"); });
    ASSERT_NE(text, cases.end());
    EXPECT_FALSE(Load(text->path));
    // The handlers stay harmless with nothing open.
    Exercise();
    ExpectPlays(hostilemedia::goodVideo());
}

} // namespace
