// Keyboard control of the main window: real key events sent to the real
// window, each key reaching its button's handler only while the button is
// enabled; a focused slider keeping its own keys; the names screen readers
// read; the keys in --help and in the help document; the version shown.
#include "apptest.h"
#include "urlrecorder.h"

#include "vrprogressbar.h"

#include <QAccessible>
#include <QFile>
#include <QKeyEvent>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QUrl>

#include <map>

using namespace apptest;

namespace {

const auto* const environment = ::testing::AddGlobalTestEnvironment(new Environment);

class KeysTest : public PlayerTest {
protected:
    void SetUp() override
    {
        PlayerTest::SetUp();
        load(clip100());
        ASSERT_EQ(app->MediaLength, 100);
        holdThePoll();
        MediaCommand("stop z");
    }

    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { QTest::keyClick(app, k, modifiers); }

    // Parks the clip at a frame, the slider with it, as the poll would.
    void parkAndShow(int frame)
    {
        parkAt(frame);
        app->Timer1Timer();
        ASSERT_TRUE(waitForFrame(frame)) << "parked at " << frame << ", shows " << shownFrame();
    }

    // Replaces every button's click handler by a recorder of its name.
    void recordClicks()
    {
        for (TGTabButton* button : app->findChildren<TGTabButton*>()) {
            const QString name = button->accessibleName();
            button->OnClick = [this, name] { clicks << name; };
        }
    }

    QStringList clicks;
};

// Which button each key presses, and that a disabled button's key does nothing.
TEST_F(KeysTest, EachKeyPressesItsButtonOnlyWhileTheButtonIsEnabled)
{
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        TGTabButton* Tapp::*button;
    };
    const Case cases[] = {
        {Qt::Key_Space, Qt::NoModifier, &Tapp::ButtonPlay}, // stopped: play
        {Qt::Key_Left, Qt::NoModifier, &Tapp::ButtonFrameBack},
        {Qt::Key_Right, Qt::NoModifier, &Tapp::ButtonFrameForward},
        {Qt::Key_Left, Qt::ControlModifier, &Tapp::ButtonRewind},
        {Qt::Key_Right, Qt::ControlModifier, &Tapp::ButtonForward},
        {Qt::Key_O, Qt::ControlModifier, &Tapp::ButtonLoad},
        {Qt::Key_S, Qt::ControlModifier, &Tapp::ButtonCapture},
        {Qt::Key_Plus, Qt::NoModifier, &Tapp::ButtonBigger},
        {Qt::Key_Plus, Qt::ShiftModifier, &Tapp::ButtonBigger},  // typed with Shift
        {Qt::Key_Plus, Qt::KeypadModifier, &Tapp::ButtonBigger}, // the keypad's
        {Qt::Key_Equal, Qt::NoModifier, &Tapp::ButtonBigger},
        {Qt::Key_Minus, Qt::NoModifier, &Tapp::ButtonSmaller},
        {Qt::Key_Minus, Qt::KeypadModifier, &Tapp::ButtonSmaller},
        {Qt::Key_0, Qt::ControlModifier, &Tapp::ButtonNormalSize},
        {Qt::Key_F, Qt::NoModifier, &Tapp::ButtonMaximise}, // not maximised
        {Qt::Key_F1, Qt::NoModifier, &Tapp::ButtonAbout},
    };
    recordClicks();
    for (const Case& c : cases) {
        TGTabButton* button = app->*c.button;
        const std::string label = QKeySequence(QKeyCombination(c.modifiers, c.key)).toString().toStdString();
        ASSERT_TRUE(button->isEnabled()) << label;
        clicks.clear();
        key(c.key, c.modifiers);
        EXPECT_EQ(clicks, QStringList{button->accessibleName()}) << label;

        button->setEnabled(false);
        clicks.clear();
        key(c.key, c.modifiers);
        EXPECT_TRUE(clicks.isEmpty()) << label << " pressed " << clicks.join(", ").toStdString();
        button->setEnabled(true);
    }
    // Keys that are not the window's, and wrong modifiers, press nothing.
    clicks.clear();
    for (auto [k, m] : std::initializer_list<std::pair<Qt::Key, Qt::KeyboardModifiers>>{
             {Qt::Key_O, Qt::NoModifier}, {Qt::Key_S, Qt::NoModifier}, {Qt::Key_Left, Qt::AltModifier},
             {Qt::Key_Space, Qt::ControlModifier}, {Qt::Key_0, Qt::NoModifier}, {Qt::Key_X, Qt::NoModifier}})
        key(k, m);
    EXPECT_TRUE(clicks.isEmpty()) << clicks.join(", ").toStdString();
}

TEST_F(KeysTest, SpacePausesWhilePlayingAndPlaysOtherwise)
{
    key(Qt::Key_Space);
    ASSERT_TRUE(waitUntil([&] { return mode() == "playing"; }));
    EXPECT_TRUE(app->ButtonPlay->Down());
    key(Qt::Key_Space);
    EXPECT_EQ(mode(), "stopped");
    EXPECT_TRUE(app->IsPaused);
    EXPECT_TRUE(app->ButtonPause->Down());
    const int paused = position();
    app->Timer1Timer();
    EXPECT_EQ(caption(app->StatusPanel->StatusLabel), "Paused");
    key(Qt::Key_Space); // resumes where it paused
    ASSERT_TRUE(waitUntil([&] { return mode() == "playing"; }));
    EXPECT_GE(position(), paused);
    // Disabled, the play button's key does nothing.
    key(Qt::Key_Space);
    app->ButtonPlay->setEnabled(false);
    key(Qt::Key_Space);
    EXPECT_EQ(mode(), "stopped");
}

TEST_F(KeysTest, ArrowsAndHomeStepAndScanToTheExactFrame)
{
    struct Case {
        int from;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int to;
    };
    const Case cases[] = {
        {40, Qt::Key_Left, Qt::NoModifier, 39},   {40, Qt::Key_Right, Qt::NoModifier, 41},
        {40, Qt::Key_Left, Qt::ControlModifier, 15}, {40, Qt::Key_Right, Qt::ControlModifier, 65},
        {20, Qt::Key_Left, Qt::ControlModifier, 0},  {2, Qt::Key_Left, Qt::NoModifier, 0},
        {40, Qt::Key_Home, Qt::NoModifier, 0},
    };
    for (const Case& c : cases) {
        parkAndShow(c.from);
        key(c.key, c.modifiers);
        EXPECT_EQ(app->MediaPosition, c.to) << "from " << c.from;
        EXPECT_TRUE(waitForFrame(c.to)) << "from " << c.from << " shows " << shownFrame();
        EXPECT_TRUE(app->IsPaused);
        EXPECT_TRUE(app->SliderFollowsMedia);
    }
    // Home also from a thumb that has not caught up with the medium yet.
    parkAndShow(0);
    parkAt(30);
    ASSERT_TRUE(waitForFrame(30));
    key(Qt::Key_Home);
    EXPECT_TRUE(waitForFrame(0)) << shownFrame();
    // With the slider disabled Home does nothing.
    parkAndShow(30);
    app->VideoPositionSlider->setEnabled(false);
    key(Qt::Key_Home);
    EXPECT_EQ(position(), 30);
}

TEST_F(KeysTest, HeldKeysRepeatStepsButNeverToggles)
{
    auto held = [&](Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent press(QEvent::KeyPress, k, modifiers, QString(), /*autorep=*/true);
        QCoreApplication::sendEvent(app, &press);
        return press.isAccepted();
    };
    parkAndShow(40);
    EXPECT_TRUE(held(Qt::Key_Right));
    EXPECT_TRUE(held(Qt::Key_Right));
    EXPECT_EQ(app->MediaPosition, 42);
    recordClicks();
    // A held Space, Ctrl+O, Ctrl+S or F is swallowed, not repeated.
    for (auto [k, m] : std::initializer_list<std::pair<Qt::Key, Qt::KeyboardModifiers>>{
             {Qt::Key_Space, Qt::NoModifier}, {Qt::Key_O, Qt::ControlModifier}, {Qt::Key_S, Qt::ControlModifier},
             {Qt::Key_F, Qt::NoModifier}, {Qt::Key_F1, Qt::NoModifier}, {Qt::Key_0, Qt::ControlModifier}})
        EXPECT_TRUE(held(k, m));
    EXPECT_TRUE(clicks.isEmpty()) << clicks.join(", ").toStdString();
    held(Qt::Key_Plus);
    EXPECT_EQ(clicks, QStringList{"Increase media window size"});
}

TEST_F(KeysTest, UpAndDownMoveTheVolumeSliderByFivePerCent)
{
    auto gain = [] { return ReadNumber(MediaQuery("status z volume")); };
    TRxSlider* volume = app->VolumeSlider;
    ASSERT_EQ(volume->Value(), 50000);
    key(Qt::Key_Up);
    EXPECT_EQ(volume->Value(), 53277); // 5 % of 65534
    EXPECT_EQ(gain(), 813);            // the slider's change handler ran
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    EXPECT_EQ(volume->Value(), 46723);
    EXPECT_EQ(gain(), 713);
    for (int i = 0; i < 30; ++i)
        key(Qt::Key_Up);
    EXPECT_EQ(volume->Value(), 65534);
    for (int i = 0; i < 30; ++i)
        key(Qt::Key_Down);
    EXPECT_EQ(volume->Value(), 0);
    EXPECT_EQ(gain(), 0);
    volume->setEnabled(false);
    key(Qt::Key_Up);
    EXPECT_EQ(volume->Value(), 0);
}

TEST_F(KeysTest, OpenCaptureAndHelpKeysGoThroughTheirDialogs)
{
    nextMediaFile = toneWav();
    key(Qt::Key_O, Qt::ControlModifier);
    ASSERT_TRUE(loadEnded());
    EXPECT_EQ(app->DeviceType, "waveaudio");
    // A sound has no picture to capture: the key does nothing.
    key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(captureAsks, 0);
    nextMediaFile = clip100();
    key(Qt::Key_O, Qt::ControlModifier);
    ASSERT_TRUE(loadEnded());
    key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(captureAsks, 1);

    testsupport::UrlRecorder recorder({"file"}); // the help document's address
    key(Qt::Key_F1);
    app->ButtonAbout->setEnabled(false);
    key(Qt::Key_F1);
    ASSERT_EQ(recorder.urls.size(), 1);
    EXPECT_TRUE(recorder.urls[0].toLocalFile().endsWith("/Norrava.html"));
}

TEST_F(KeysTest, FAndADoubleClickOnThePictureMaximiseAndRestore)
{
    const QSize natural(app->VideoWindow->width(), app->VideoWindow->height());
    key(Qt::Key_Plus);
    key(Qt::Key_Plus);
    EXPECT_EQ(app->VideoWindow->width(), natural.width() + 16);
    key(Qt::Key_Minus);
    EXPECT_EQ(app->VideoWindow->width(), natural.width() + 8);
    key(Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(app->VideoWindow->size(), natural);

    const QPoint before = app->pos();
    key(Qt::Key_F);
    EXPECT_TRUE(app->IsMaximised);
    EXPECT_GT(app->VideoWindow->width(), natural.width());
    key(Qt::Key_F); // restores through the normal size button
    EXPECT_FALSE(app->IsMaximised);
    EXPECT_EQ(app->VideoWindow->size(), natural);
    EXPECT_EQ(app->pos(), before);

    const QPoint centre = app->VideoWindow->rect().center();
    QTest::mouseDClick(app->VideoWindow, Qt::LeftButton, {}, centre);
    EXPECT_TRUE(app->IsMaximised);
    QTest::mouseDClick(app->VideoWindow, Qt::LeftButton, {}, app->VideoWindow->rect().center());
    EXPECT_FALSE(app->IsMaximised);
    EXPECT_EQ(app->pos(), before);
    // A double click on the skin beside the picture does not.
    QTest::mouseDClick(app, Qt::LeftButton, {}, QPoint(app->width() / 2, 80));
    EXPECT_FALSE(app->IsMaximised);

    // Maximised, with the normal size button disabled, F stays maximised.
    key(Qt::Key_F);
    ASSERT_TRUE(app->IsMaximised);
    app->ButtonNormalSize->setEnabled(false);
    key(Qt::Key_F);
    EXPECT_TRUE(app->IsMaximised);
}

// The window, not the first slider, takes the keys once it is active; a
// clicked slider keeps its own keys and hands the rest to the window.
TEST_F(KeysTest, AFocusedSliderKeepsItsOwnKeysAndTheWindowActsOnTheRest)
{
    app->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(app));
    EXPECT_EQ(QApplication::focusWidget(), app);

    TRxSlider* slider = app->VideoPositionSlider;
    slider->setFocus();
    ASSERT_TRUE(slider->hasFocus());
    parkAndShow(40);
    QTest::keyClick(slider, Qt::Key_Left); // one step, not the slider's and the window's
    EXPECT_EQ(slider->Value(), 39);
    EXPECT_EQ(app->MediaPosition, 39);
    EXPECT_TRUE(waitForFrame(39));
    QTest::keyClick(slider, Qt::Key_Right);
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(app->MediaPosition, 41);
    QTest::keyClick(slider, Qt::Key_Left, Qt::ControlModifier); // the slider's keys take no Ctrl
    EXPECT_EQ(app->MediaPosition, 16);
    EXPECT_TRUE(waitForFrame(16));
    QTest::keyClick(slider, Qt::Key_Up); // not a horizontal slider's key: the volume
    EXPECT_EQ(app->VolumeSlider->Value(), 53277);
    QTest::keyClick(slider, Qt::Key_Space);
    EXPECT_TRUE(waitUntil([&] { return mode() == "playing"; }));
    EXPECT_TRUE(app->SliderFollowsMedia); // the key's release let the slider go
    QTest::keyClick(slider, Qt::Key_Space);
    EXPECT_EQ(mode(), "stopped");

    // On the volume slider the arrows move the volume, not the medium.
    TRxSlider* volume = app->VolumeSlider;
    volume->setFocus();
    parkAndShow(50);
    QTest::keyClick(volume, Qt::Key_Left);
    EXPECT_EQ(volume->Value(), 53276);
    EXPECT_EQ(position(), 50);

    // A click on the picture gives the keys back to the window.
    QTest::mouseClick(app->VideoWindow, Qt::LeftButton, {}, app->VideoWindow->rect().center());
    EXPECT_EQ(QApplication::focusWidget(), app);
    key(Qt::Key_Left);
    EXPECT_EQ(app->MediaPosition, 49);
}

// Screen readers name each control by its hint and learn its keys.
TEST_F(KeysTest, EverySkinControlHasAnAccessibleNameAndDescription)
{
    QList<QWidget*> controls;
    for (TGTabButton* b : app->findChildren<TGTabButton*>())
        controls << b;
    controls << app->VideoPositionSlider << app->VolumeSlider;
    ASSERT_EQ(controls.size(), 20);
    QSet<QString> names;
    for (QWidget* control : controls) {
        const QString hint = control->toolTip();
        ASSERT_FALSE(hint.isEmpty());
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(control);
        ASSERT_NE(face, nullptr);
        const QString name = face->text(QAccessible::Name);
        EXPECT_FALSE(name.isEmpty()) << hint.toStdString();
        EXPECT_TRUE(hint.startsWith(name)) << hint.toStdString();
        EXPECT_TRUE(face->text(QAccessible::Description).startsWith(hint)) << hint.toStdString();
        names << name;
    }
    EXPECT_EQ(names.size(), controls.size()) << "two controls share a name";

    const std::map<QWidget*, QString> described = {
        {app->ButtonPlay, "Play (Space)"},
        {app->ButtonPause, "Pause (Space)"},
        {app->ButtonRewind, "Visual rewind - hold the mouse down (Ctrl+Left)"},
        {app->ButtonFrameForward, "Frame forward - hold the mouse down (Right)"},
        {app->ButtonBigger, "Increase media window size (+)"},
        {app->ButtonNormalSize, "Restore original media window size (Ctrl+0, F)"},
        {app->ButtonMaximise, "Maximise (F)"},
        {app->ButtonAbout, "About (F1)"},
        {app->VolumeSlider, "Left and Right volume level (Up, Down)"},
        {app->ButtonClose, "Close"},
    };
    for (const auto& [control, text] : described)
        EXPECT_EQ(control->accessibleDescription(), text);
    EXPECT_EQ(app->ButtonRewind->accessibleName(), "Visual rewind");
    EXPECT_EQ(app->LedVolumeLeft->accessibleName(), "Left output level");

    // The buttons are buttons a screen reader can press, while enabled.
    QAccessibleInterface* step = QAccessible::queryAccessibleInterface(app->ButtonFrameForward);
    EXPECT_EQ(step->role(), QAccessible::Button);
    QAccessibleActionInterface* actions = step->actionInterface();
    ASSERT_NE(actions, nullptr);
    parkAndShow(20);
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(app->MediaPosition, 21);
    app->ButtonFrameForward->setEnabled(false);
    EXPECT_TRUE(actions->actionNames().isEmpty());
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(app->MediaPosition, 21);
    app->Timer1Timer();
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(app->ButtonStop)->state().checkable);
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(app->ButtonPause)->state().checked);
    EXPECT_FALSE(QAccessible::queryAccessibleInterface(app->ButtonPlay)->state().checked);
}

// Every key of the window is listed in --help and in the help document;
// --help answers without a display.
TEST(KeysHelp, EveryKeyIsInTheUsageTextAndTheHelpDocument)
{
    QProcess player;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    player.setProcessEnvironment(env);
    player.start(NORRAVA_PLAYER, {"--help"});
    ASSERT_TRUE(player.waitForFinished(60000));
    EXPECT_EQ(player.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(player.exitCode(), 0) << player.readAllStandardError().toStdString();
    const QString printed = QString::fromUtf8(player.readAllStandardOutput());
    EXPECT_EQ(printed, QString::fromUtf8(kUsageText));

    QSet<QString> usage;
    for (const QString& line : printed.split('\n')) {
        if (!line.startsWith("  ") || line.trimmed().startsWith('-'))
            continue;
        for (const QString& k : line.trimmed().section("  ", 0, 0).split(", "))
            usage << k;
    }
    QFile html(NORRAVA_SOURCE_DIR "/data/Norrava.html");
    ASSERT_TRUE(html.open(QIODevice::ReadOnly));
    QSet<QString> documented;
    const QRegularExpression kbd("<kbd>([^<]+)</kbd>");
    for (const auto& match : kbd.globalMatch(QString::fromUtf8(html.readAll())))
        documented << match.captured(1);

    const QList<QKeySequence> keys = Tapp::Keys();
    ASSERT_EQ(keys.size(), 15);
    for (const QKeySequence& k : keys) {
        const QString text = k.toString(QKeySequence::PortableText);
        EXPECT_TRUE(usage.contains(text)) << text.toStdString();
        EXPECT_TRUE(documented.contains(text)) << text.toStdString();
    }
}

// --version and -v answer without a display, with the version the build
// was configured with; the help document's title and heading carry the same
// version, as it is not generated.
TEST(KeysHelp, VersionIsTheConfiguredOneEverywhere)
{
    for (const char* option : {"--version", "-v"}) {
        QProcess player;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        player.setProcessEnvironment(env);
        player.start(NORRAVA_PLAYER, {option});
        ASSERT_TRUE(player.waitForFinished(60000)) << option;
        EXPECT_EQ(player.exitCode(), 0) << option;
        EXPECT_EQ(QString::fromUtf8(player.readAllStandardOutput()), "Norrava " NORRAVA_VERSION "\n") << option;
    }

    QFile html(NORRAVA_SOURCE_DIR "/data/Norrava.html");
    ASSERT_TRUE(html.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(html.readAll());
    EXPECT_TRUE(text.contains(QString::fromUtf8("<title>Norrava " NORRAVA_VERSION " \u2014 Help</title>")));
    EXPECT_TRUE(text.contains("<h1>Norrava " NORRAVA_VERSION "</h1>"));
}

} // namespace
