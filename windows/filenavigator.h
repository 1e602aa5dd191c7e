#pragma once

#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>

class QFileSystemModel;
class QTreeView;
class TFileListView;
class TNavPanel;
class TNavSplitter;

// What the navigator needs from the main window, which owns the state it
// reads and writes. Every member may be left empty; the navigator then
// does without (no file is opened, nothing is saved, it is never maximised).
struct TFileNavigatorHost {
    // The main window, for placing the handle while the navigator is closed.
    QWidget* mainWindow = nullptr;
    // The main window's LoadTheFile: opens the file at a full path; an
    // empty path means nothing was highlighted.
    std::function<void(const QString& path)> loadTheFile;
    // IsMaximised: the video fills the screen width.
    std::function<bool()> isMaximised;
    // Writes SavedNavigatorWidth.
    std::function<void(int width)> setSavedNavigatorWidth;
};

// The file navigator: a borderless window hanging on the main window's left
// side, a folder tree above a list of the media files in the chosen folder.
// A click on a file (or moving the highlight with the keys) opens it.
//
// It starts closed, one pixel wide and hidden. It shows itself exactly when
// it is wider than 2 pixels, and on every size change moves its handle
// window onto its left edge (or onto the main window's left side while
// closed). Qt sends no resize events to a hidden window, so the main window
// must size it through SetBounds, which runs FormResize in every case.
//
// When it first shows, the tree opens at the folder of the playing file
// with that file highlighted (ShowPlayingFile), or else at the working
// directory, unless SetFolder chose a folder before.
class TFileNavigator : public QWidget {
    Q_OBJECT
public:
    explicit TFileNavigator(QWidget* parent = nullptr);

    void SetHost(TFileNavigatorHost host) { FHost = std::move(host); }
    const TFileNavigatorHost& Host() const { return FHost; }
    // The handle window (FileBlind) that FormResize keeps on the left edge.
    void SetHandle(QWidget* handle) { FHandle = handle; }
    QWidget* Handle() const { return FHandle; }

    // The file list's mask, as the main window builds it: "*.avi;*.mid;"
    // (patterns separated by semicolons, matched without regard to case).
    // An empty mask lists every file.
    void SetFileMask(const QString& mask);
    QString FileMask() const { return FFileMask; }

    // Chooses a folder in the tree, which lists its files; false when it
    // is not a folder.
    bool SetFolder(const QString& path);
    QString Folder() const { return FFolder; }

    // The file the player has opened: the navigator shows its folder with
    // the file highlighted, now if it has opened before, else when it first
    // opens. Highlighting it opens nothing.
    void ShowPlayingFile(const QString& path);
    QString PlayingFile() const { return FPlayingFile; }

    // Moves and sizes the window and runs FormResize, also while hidden.
    void SetBounds(int left, int top, int width, int height);

    // Handlers.
    void FormCreate();
    void FormShow();
    void FormResize();
    // May the splitter make the folder tree newHeight high? Refused when the
    // file list would be left less than 90 pixels high.
    bool Splitter1CanResize(int newHeight) const;
    void FileListBox1Change();

    // The full path of the highlighted file, empty when none is.
    QString HighlightedFile() const;

    // Controls, for the main window and for tests.
    TNavPanel* NavPanel = nullptr;
    QTreeView* RzDirectoryTree1 = nullptr;
    TNavSplitter* Splitter1 = nullptr;
    TFileListView* FileListBox1 = nullptr;

    static constexpr int MinimumListHeight = 90;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildControls();
    void ApplyLook();
    void ListFolder(const QString& path);
    bool IsAncestorOfFolder(const QString& path) const;
    void KeepFolderInView();
    void HighlightPlayingFile();
    void KeepHighlightInView();
    bool UndoWindowManagerChange(const QEvent* event);

    TFileNavigatorHost FHost;
    QWidget* FHandle = nullptr;
    QFileSystemModel* FFolderModel = nullptr;
    QFileSystemModel* FFileModel = nullptr;
    QString FFileMask;
    QString FFolder;
    QString FPlayingFile;
    bool FInFormResize = false;
    QRect FClosedGeometry; // where the navigator was when it last closed
    bool FFollowFolder = true; // scroll the tree to the folder as it loads
    bool FFollowHighlight = false; // scroll the list to the playing file as it loads
};
