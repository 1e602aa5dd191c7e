// The navigator follows what the player plays: it opens on the playing
// file's folder with the file highlighted, follows each later load, and
// highlighting never opens the file again.
#include "apptest.h"

#include "filenavigator.h"
#include "mediafolder.h"
#include "navwidgets.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace apptest;

namespace {

const auto* const environment = ::testing::AddGlobalTestEnvironment(new Environment);

class NavigatorFollowsTest : public PlayerTest {
protected:
    void SetUp() override
    {
        PlayerTest::SetUp();
        navigator = app->FileNavigator;
        // Count what the navigator asks the player to open.
        TFileNavigatorHost host = navigator->Host();
        host.loadTheFile = [this, open = host.loadTheFile](const QString& path) {
            navigatorLoads << path;
            open(path);
        };
        navigator->SetHost(host);
        ASSERT_TRUE(folder.isValid() && second.isValid());
    }

    // A copy of a generated file under a name of the test's choosing, in a
    // folder no other test writes to.
    QString place(const QString& source, const QTemporaryDir& where, const QString& name)
    {
        const QString path = where.filePath(name);
        EXPECT_TRUE(QFile::copy(source, path)) << path.toStdString();
        return path;
    }

    void openNavigator() { navigator->SetBounds(app->x() - 292, app->y() + 2, 292, app->height() - 4); }

    TFileNavigator* navigator = nullptr;
    QStringList navigatorLoads;
    QTemporaryDir folder, second;
};

TEST_F(NavigatorFollowsTest, OpensOnThePlayingFileAndFollowsEveryLoadWithoutReloadingIt)
{
    const QString clip = place(clip100(), folder, "2 clip with 'quotes' and Åsa.mp4");
    const QString tone = place(toneWav(), folder, "1 tone.wav");
    const QString elsewhere = place(toneWav(), second, "elsewhere.wav");

    load(clip);
    EXPECT_EQ(navigator->Folder(), QString()) << "the closed navigator reads nothing";
    openNavigator();
    EXPECT_EQ(navigator->Folder(), folder.path());
    EXPECT_EQ(navigator->HighlightedFile(), clip);

    // Later loads, from the open dialog or anywhere, move it along.
    load(elsewhere);
    EXPECT_EQ(navigator->Folder(), second.path());
    EXPECT_EQ(navigator->HighlightedFile(), elsewhere);
    load(clip);
    EXPECT_EQ(navigator->HighlightedFile(), clip);
    ASSERT_TRUE(waitUntil([&] { return mode() == "playing"; }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(navigatorLoads.isEmpty()) << navigatorLoads.join(", ").toStdString();
    EXPECT_EQ(app->DeviceType, "digitalvideo");

    // Going up the list from the playing file opens the file before it, the
    // one the navigator's order puts there.
    auto* list = navigator->FileListBox1;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const QModelIndex first = list->model()->index(0, 0, list->rootIndex());
            return list->model()->rowCount(list->rootIndex()) == 2 && first.data().toString() == "1 tone.wav";
        },
        20000)); // read and sorted
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Up);
    ASSERT_TRUE(loadEnded());
    EXPECT_EQ(navigatorLoads, QStringList{tone});
    EXPECT_EQ(mediafolder::previousFile(clip, app->Mask()), tone);
    EXPECT_EQ(app->DeviceType, "waveaudio");
    // That load highlights the file it came from, and opens it only once.
    EXPECT_EQ(navigator->HighlightedFile(), tone);
    QCoreApplication::processEvents();
    EXPECT_EQ(navigatorLoads.size(), 1);
}

TEST_F(NavigatorFollowsTest, AFileThatCannotBeOpenedIsNotFollowed)
{
    const QString clip = place(clip100(), folder, "clip.mp4");
    QFile broken(second.filePath("broken.mp4"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a film");
    broken.close();

    load(clip);
    openNavigator();
    app->LoadTheFile(broken.fileName());
    ASSERT_TRUE(loadEnded());
    EXPECT_EQ(mediaMessages, QStringList{"Norrava cannot open this type of file."});
    EXPECT_EQ(navigator->Folder(), folder.path());
    EXPECT_EQ(navigator->HighlightedFile(), clip);
}

} // namespace
