#include "filenavigator.h"
#include "mediafolder.h"
#include "navwidgets.h"
#include "testmedia.h"

#include <gtest/gtest.h>

#include "testapplication.h"

#include <sys/stat.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QSet>
#include <QTemporaryDir>
#include <QResizeEvent>
#include <QTest>
#include <QtTest/qtestspontaneevent.h>
#include <QTreeView>

QT_BEGIN_NAMESPACE
void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {

NORRAVA_TEST_APPLICATION(QApplication);

void touch(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

// A main window stand-in, the handle and the navigator hung on them as the
// main window's layout does it.
struct Fixture {
    QWidget main;
    QWidget handle{nullptr, Qt::Tool | Qt::FramelessWindowHint};
    TFileNavigator navigator;
    bool maximised = false;
    int savedWidth = -1;
    QStringList loaded;

    Fixture()
    {
        main.setGeometry(400, 200, 386, 424);
        handle.resize(20, 150);
        navigator.SetHandle(&handle);
        navigator.SetHost({&main, [this](const QString& path) { loaded << path; }, [this] { return maximised; },
                           [this](int width) { savedWidth = width; }});
    }
    // The navigator against the main window's left side, width w.
    void hang(int w) { navigator.SetBounds(main.x() - w, main.y() + 2, w, main.height() - 4); }
    QStringList listedInOrder() const
    {
        QStringList names;
        const QAbstractItemModel* model = navigator.FileListBox1->model();
        const QModelIndex root = navigator.FileListBox1->rootIndex();
        for (int row = 0; row < model->rowCount(root); ++row)
            names << model->index(row, 0, root).data().toString();
        return names;
    }
    QSet<QString> listed() const
    {
        const QStringList names = listedInOrder();
        return QSet<QString>(names.begin(), names.end());
    }
    bool waitForListing(int rows)
    {
        return QTest::qWaitFor(
            [&] {
                const auto* model = navigator.FileListBox1->model();
                return model->rowCount(navigator.FileListBox1->rootIndex()) == rows;
            },
            20000);
    }
    QRect itemRect(const QString& path) const
    {
        auto* model = static_cast<QFileSystemModel*>(navigator.FileListBox1->model());
        return navigator.FileListBox1->visualRect(model->index(path));
    }
};

TEST(FileNavigator, StartsClosedOnePixelWide)
{
    Fixture f;
    EXPECT_EQ(f.navigator.width(), 1);
    EXPECT_FALSE(f.navigator.isVisible());
    EXPECT_TRUE(f.navigator.Folder().isEmpty()) << "nothing is read before it opens";
    // With no file playing it opens on the working directory.
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(work.path()));
    f.hang(100);
    QDir::setCurrent(before);
    EXPECT_EQ(f.navigator.Folder(), work.path());
    EXPECT_TRUE(f.navigator.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(f.navigator.FileListBox1->toolTip(), "Click to open the highlighted file");
    EXPECT_EQ(f.navigator.font().pixelSize(), 11);
}

TEST(FileNavigator, VisibleExactlyWhenWiderThanTwoAndCarriesItsHandle)
{
    Fixture f;
    // Hung in turn at each width on the main window, whose left edge is at
    // 400. Closed, the handle hangs on the main window, 2 below its top.
    const struct {
        int width;
        bool visible;
        int handleX;
    } rows[] = {
        {1, false, 400 - 20}, {2, false, 400 - 20}, {3, true, 400 - 3 - 20},
        {200, true, 400 - 200 - 20}, {2, false, 400 - 20}, {3, true, 400 - 3 - 20},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.width);
        f.hang(row.width);
        EXPECT_EQ(f.navigator.isVisible(), row.visible);
        EXPECT_EQ(f.handle.pos(), QPoint(row.handleX, 202));
    }
    // A move of the main window re-hangs everything at the new place.
    f.main.move(600, 50);
    f.hang(150);
    EXPECT_EQ(f.handle.pos(), QPoint(600 - 150 - 20, 52));
    EXPECT_EQ(f.navigator.geometry().right() + 1, 600);
}

TEST(FileNavigator, StaysClosedWhenTheWindowSystemPutsTheOldSizeBack)
{
    Fixture f;
    f.hang(200);
    f.hang(2);
    ASSERT_FALSE(f.navigator.isVisible());
    const QRect closed = f.navigator.geometry();
    // A window manager cancelling its sizing of the unmapped window reports
    // the size the sizing started from.
    f.navigator.setGeometry(400 - 200, 202, 200, 420);
    QResizeEvent event(QSize(200, 420), closed.size());
    QSpontaneKeyEvent::setSpontaneous(&event);
    qApp->notify(&f.navigator, &event); // as the window system delivers it
    EXPECT_FALSE(f.navigator.isVisible());
    EXPECT_EQ(f.navigator.geometry(), closed);
    EXPECT_EQ(f.handle.pos(), QPoint(380, 202));
    // The main window's own sizing still opens it.
    f.hang(120);
    EXPECT_TRUE(f.navigator.isVisible());
}

TEST(FileNavigator, SavesItsWidthUnlessMaximised)
{
    Fixture f;
    f.hang(150);
    EXPECT_EQ(f.savedWidth, 150);
    f.maximised = true;
    f.hang(250);
    EXPECT_EQ(f.savedWidth, 150);
    f.maximised = false;
    f.hang(1);
    EXPECT_EQ(f.savedWidth, 1);
}

TEST(FileNavigator, SplitterKeepsTheListNinetyPixelsHigh)
{
    Fixture f;
    f.navigator.SetBounds(100, 100, 292, 404);
    ASSERT_TRUE(f.navigator.isVisible());
    const int tree = f.navigator.RzDirectoryTree1->height();
    const int list = f.navigator.FileListBox1->height();
    EXPECT_EQ(f.navigator.RzDirectoryTree1->geometry().topLeft(), QPoint(0, 0));
    EXPECT_EQ(f.navigator.RzDirectoryTree1->mapTo(&f.navigator, QPoint(0, 0)), QPoint(7, 7));
    EXPECT_EQ(tree, 149);
    EXPECT_EQ(list, 233);
    // A list of 90 is allowed, 89 is not.
    EXPECT_TRUE(f.navigator.Splitter1CanResize(tree + list - 90));
    EXPECT_FALSE(f.navigator.Splitter1CanResize(tree + list - 89));

    // Dragging the bar far down stops where the list is 90 high.
    auto* handle = f.navigator.Splitter1->handle(1);
    const QPoint grip = handle->rect().center();
    QTest::mousePress(handle, Qt::LeftButton, {}, grip);
    QTest::mouseMove(handle, grip + QPoint(0, 60));
    EXPECT_EQ(f.navigator.RzDirectoryTree1->height(), tree + 60);
    QTest::mouseMove(handle, grip + QPoint(0, 400));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, grip + QPoint(0, 400));
    EXPECT_EQ(f.navigator.FileListBox1->height(), 90);
    EXPECT_EQ(f.navigator.RzDirectoryTree1->height(), tree + list - 90);

    // Back up is always allowed.
    EXPECT_TRUE(f.navigator.Splitter1->DragTo(100));
    EXPECT_EQ(f.navigator.RzDirectoryTree1->height(), 100);
}

TEST(FileNavigator, ListsFilesMatchingTheMaskHiddenOnesIncluded)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* name : {"a.avi", "b.mid", "c.wav", "d.txt", ".hidden.avi", "LOUD.WAV", "avi", "e.avi.txt"})
        touch(dir.filePath(name));
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.avi"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("pipe.wav")).constData(), 0600), 0);

    Fixture f;
    f.navigator.SetFileMask("*.avi;*.mid;*.wav;");
    EXPECT_EQ(f.navigator.FileMask(), "*.avi;*.mid;*.wav;");
    ASSERT_TRUE(f.navigator.SetFolder(dir.path()));
    EXPECT_EQ(f.navigator.Folder(), dir.path());
    ASSERT_TRUE(f.waitForListing(5)) << f.listed().values().join(", ").toStdString();
    EXPECT_EQ(f.listed(), (QSet<QString>{"a.avi", "b.mid", "c.wav", ".hidden.avi", "LOUD.WAV"}));

    // The tree holds the folder, and only folders.
    auto* tree = f.navigator.RzDirectoryTree1;
    EXPECT_EQ(static_cast<QFileSystemModel*>(tree->model())->filePath(tree->currentIndex()), dir.path());

    // A new mask applies at once; an empty one lists everything.
    f.navigator.SetFileMask("*.mid;");
    ASSERT_TRUE(f.waitForListing(1));
    f.navigator.SetFileMask("");
    ASSERT_TRUE(f.waitForListing(8));
    EXPECT_FALSE(f.listed().contains("folder.avi"));
    EXPECT_TRUE(f.loaded.isEmpty());
}

TEST(FileNavigator, ClickAndKeysOpenTheHighlightedFileByItsFullPath)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QStringList names{"a plain.avi", "b with 'quotes' and \"doubles\".avi", "c Åsa Ünïcødé.avi", "d.avi"};
    for (const QString& name : names)
        touch(dir.filePath(name));

    Fixture f;
    f.navigator.SetFileMask("*.avi;");
    f.navigator.SetFolder(dir.path());
    f.hang(292);
    ASSERT_TRUE(f.waitForListing(4));
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.loaded.isEmpty()) << "listing a folder opens nothing";

    auto* list = f.navigator.FileListBox1;
    auto* viewport = list->viewport();
    const QString first = dir.filePath(names[0]);
    QTest::mouseClick(viewport, Qt::LeftButton, {}, f.itemRect(first).center());
    ASSERT_EQ(f.loaded, QStringList{first});
    EXPECT_EQ(f.navigator.HighlightedFile(), first);

    // Each key press that moves the highlight opens that file.
    list->setFocus();
    for (int i = 1; i < names.size(); ++i) {
        QTest::keyClick(list, Qt::Key_Down);
        ASSERT_EQ(f.loaded.size(), i + 1);
        EXPECT_EQ(f.loaded.last(), dir.filePath(names[i]));
        EXPECT_TRUE(QFile::exists(f.loaded.last()));
    }
    // At the end of the list Down moves nothing and opens nothing.
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(f.loaded.size(), names.size());
    // Enter opens the highlighted file again.
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(f.loaded.last(), dir.filePath(names.last()));
    f.loaded.clear();

    // A click on the highlighted file opens it again; a double click opens once.
    const QString second = dir.filePath(names[1]);
    QTest::mouseClick(viewport, Qt::LeftButton, {}, f.itemRect(second).center());
    QTest::mouseClick(viewport, Qt::LeftButton, {}, f.itemRect(second).center());
    EXPECT_EQ(f.loaded, (QStringList{second, second}));
    f.loaded.clear();
    const QString third = dir.filePath(names[2]);
    // Through the window, so the events come as from a real double click.
    const QPoint at = viewport->mapTo(&f.navigator, f.itemRect(third).center());
    QTest::mouseDClick(f.navigator.windowHandle(), Qt::LeftButton, {}, at);
    EXPECT_EQ(f.loaded, QStringList{third});
    f.loaded.clear();

    // A click below the last file highlights nothing new and opens nothing.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(10, viewport->height() - 3));
    EXPECT_TRUE(f.loaded.isEmpty());

    // Going to another folder drops the highlight without opening anything.
    f.navigator.SetFolder(QDir::tempPath());
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.loaded.isEmpty());
    EXPECT_EQ(f.navigator.HighlightedFile(), QString());
}

TEST(FileNavigator, ChoosingAFolderInTheTreeListsIt)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkdir("inner"));
    touch(dir.filePath("inner/x.wav"));
    Fixture f;
    f.navigator.SetFileMask("*.wav;");
    f.hang(292);
    ASSERT_TRUE(f.navigator.SetFolder(dir.path()));
    EXPECT_FALSE(f.navigator.SetFolder(dir.filePath("inner/x.wav")));
    auto* tree = f.navigator.RzDirectoryTree1;
    auto* model = static_cast<QFileSystemModel*>(tree->model());
    const QModelIndex inner = model->index(dir.filePath("inner"));
    ASSERT_TRUE(inner.isValid());
    tree->scrollTo(inner);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(inner).center());
    EXPECT_EQ(f.navigator.Folder(), dir.filePath("inner"));
    ASSERT_TRUE(f.waitForListing(1));
    EXPECT_EQ(f.listed(), QSet<QString>{"x.wav"});
}

TEST(FileNavigator, OpensOnThePlayingFileHighlightedAndFollowsEveryLoadWithoutOpeningIt)
{
    QTemporaryDir dir, other;
    ASSERT_TRUE(dir.isValid() && other.isValid());
    const QStringList names{"a plain.avi", "b with 'quotes' and \"doubles\".avi", "c Åsa Ünïcødé.avi", "d.avi",
                            "e.mkv"};
    for (const QString& name : names)
        touch(dir.filePath(name));
    touch(other.filePath("x.avi"));

    Fixture f;
    f.navigator.SetFileMask("*.avi;");
    const QString playing = dir.filePath(names[2]);
    f.navigator.ShowPlayingFile(playing);
    EXPECT_TRUE(f.navigator.Folder().isEmpty()) << "nothing is read before it opens";
    f.hang(292);
    EXPECT_EQ(f.navigator.Folder(), dir.path());
    EXPECT_EQ(f.navigator.HighlightedFile(), playing);
    ASSERT_TRUE(f.waitForListing(4)) << f.listed().values().join(", ").toStdString();
    EXPECT_EQ(f.navigator.HighlightedFile(), playing) << "lost while the folder was read";
    EXPECT_TRUE(f.navigator.FileListBox1->viewport()->rect().intersects(f.itemRect(playing)));

    // Every later load moves it, the navigator open or closed.
    f.navigator.ShowPlayingFile(other.filePath("x.avi"));
    EXPECT_EQ(f.navigator.Folder(), other.path());
    EXPECT_EQ(f.navigator.HighlightedFile(), other.filePath("x.avi"));
    f.hang(1);
    f.navigator.ShowPlayingFile(dir.filePath(names[0]));
    f.hang(292);
    EXPECT_EQ(f.navigator.Folder(), dir.path());
    EXPECT_EQ(f.navigator.HighlightedFile(), dir.filePath(names[0]));
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.loaded.isEmpty()) << "a highlight the player sets opens nothing: "
                                    << f.loaded.join(", ").toStdString();

    // The highlight is the list's own: the next key press goes on from it.
    ASSERT_TRUE(f.waitForListing(4));
    f.navigator.FileListBox1->setFocus();
    QTest::keyClick(f.navigator.FileListBox1, Qt::Key_Down);
    EXPECT_EQ(f.loaded, QStringList{dir.filePath(names[1])});
    f.loaded.clear();

    // A file the mask leaves out: its folder, nothing highlighted, not listed.
    f.navigator.ShowPlayingFile(dir.filePath("e.mkv"));
    EXPECT_EQ(f.navigator.HighlightedFile(), QString());
    QCoreApplication::processEvents();
    EXPECT_FALSE(f.listed().contains("e.mkv"));
    EXPECT_TRUE(f.loaded.isEmpty());
}

TEST(MediaFolder, WalksAFolderInTheNavigatorsOrder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Numbers, case, hidden files, accents; a folder and a pipe named like
    // media and a file of another type stay out.
    const QStringList names{"clip10.avi", "clip2.avi", "Clip1.AVI", "b.wav", ".hidden.avi", "Åsa.avi", "zeta.mid",
                            "_under.wav", "c.avi", "d.avi"};
    for (const QString& name : names)
        touch(dir.filePath(name));
    touch(dir.filePath("e.txt"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.avi"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("pipe.wav")).constData(), 0600), 0);
    const QString mask = "*.avi;*.mid;*.wav;";

    const QStringList files = mediafolder::filesIn(dir.path(), mask);
    ASSERT_EQ(files.size(), names.size());
    QStringList ordered;
    for (const QString& path : files) {
        EXPECT_TRUE(path.startsWith(dir.path() + "/"));
        ordered << QFileInfo(path).fileName();
    }

    // The navigator lists them in the same order.
    Fixture f;
    f.navigator.SetFileMask(mask);
    f.navigator.SetFolder(dir.path());
    f.hang(292);
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.listedInOrder() == ordered; }, 20000))
        << "navigator: " << f.listedInOrder().join(" | ").toStdString()
        << "\nhelper: " << ordered.join(" | ").toStdString();

    // Next and previous step through that order and stop at either end.
    for (int i = 0; i < files.size(); ++i) {
        EXPECT_EQ(mediafolder::nextFile(files[i], mask), i + 1 < files.size() ? files[i + 1] : QString()) << i;
        EXPECT_EQ(mediafolder::previousFile(files[i], mask), i > 0 ? files[i - 1] : QString()) << i;
    }
    // From a file the mask leaves out, its neighbours by name.
    EXPECT_EQ(mediafolder::nextFile(dir.filePath("e.txt"), mask), dir.filePath("zeta.mid"));
    EXPECT_EQ(mediafolder::previousFile(dir.filePath("e.txt"), mask), dir.filePath("d.avi"));
    // Natural order where the locale offers it; always without regard to case.
    EXPECT_TRUE(mediafolder::lessInListOrder("b.wav", "C.avi"));
    EXPECT_TRUE(mediafolder::lessInListOrder("B.wav", "c.avi"));
    EXPECT_TRUE(mediafolder::lessInListOrder("A.avi", "a.avi")); // same but for case: by exact text
    EXPECT_FALSE(mediafolder::lessInListOrder("a.avi", "A.avi"));
    EXPECT_TRUE(mediafolder::matches("MOVIE.AVI", "*.avi;"));
    EXPECT_FALSE(mediafolder::matches("movie.avi.txt", "*.avi;"));
    EXPECT_TRUE(mediafolder::matches("anything", ""));
    EXPECT_TRUE(mediafolder::filesIn(dir.filePath("missing"), mask).isEmpty());
}

// Not a check: renders the navigator over the demo data folder for a look.
TEST(FileNavigator, RendersToPicture)
{
    Fixture f;
    const QString data = QDir(QStringLiteral(NORRAVA_SOURCE_DIR "/data")).canonicalPath();
    auto* folders = static_cast<QFileSystemModel*>(f.navigator.RzDirectoryTree1->model());
    QStringList loaded;
    QObject::connect(folders, &QFileSystemModel::directoryLoaded, [&](const QString& path) { loaded << path; });
    f.navigator.SetFileMask("*.mp4;*.mid;*.wav;*.avi;");
    f.navigator.SetFolder(data);
    f.hang(292);
    ASSERT_TRUE(f.waitForListing(2));
    // The tree shows the folder among its siblings once their parent is read.
    EXPECT_TRUE(QTest::qWaitFor([&] { return loaded.contains(QFileInfo(data).path()); }, 20000))
        << loaded.join(", ").toStdString();
    f.navigator.FileListBox1->setCurrentIndex(
        f.navigator.FileListBox1->model()->index(0, 0, f.navigator.FileListBox1->rootIndex()));
    QDir().mkpath(testmedia::dir());
    const QString path = testmedia::dir() + "/navigator.png";
    EXPECT_TRUE(f.navigator.grab().save(path));
}

} // namespace
