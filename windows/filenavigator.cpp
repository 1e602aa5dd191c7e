#include "filenavigator.h"

#include "mediafolder.h"
#include "navwidgets.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWindow>

namespace {

constexpr int kDesignWidth = 292;
constexpr int kDesignHeight = 404;
constexpr int kDesignLeft = 192;
constexpr int kDesignTop = 103;
constexpr int kTreeHeight = 149;
constexpr int kListHeight = 233;
constexpr int kSplitterHeight = 8;
constexpr int kItemHeight = 18;
constexpr int kTreeIndent = 19;
constexpr int kTreeMinimumHeight = 70;
constexpr int kListMinimumHeight = 80;

QString navigatorStyleSheet()
{
    return QStringLiteral(R"(
QTreeView, QListView {
    background: %1; color: %2; border: 1px solid %3; outline: 0;
    selection-background-color: %4; selection-color: %5;
}
QTreeView:focus, QListView:focus { border: 1px solid %6; }
QTreeView::item, QListView::item { padding-left: 2px; border: 0; }
QTreeView::item:hover, QListView::item:hover { background: #262a2f; }
QTreeView::item:selected, QListView::item:selected {
    background: %4; color: %5; border-left: 2px solid %5;
}
QTreeView::item:selected { border-left: 0; }
QTreeView::branch:selected { background: transparent; }
QScrollBar:vertical { background: #16181b; width: 12px; margin: 0; }
QScrollBar:horizontal { background: #16181b; height: 12px; margin: 0; }
QScrollBar::handle { background: #4a5058; border: 1px solid #5a6068; border-radius: 3px; margin: 2px; }
QScrollBar::handle:vertical { min-height: 20px; }
QScrollBar::handle:horizontal { min-width: 20px; }
QScrollBar::handle:hover { background: #5a6068; }
QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; }
QScrollBar::add-page, QScrollBar::sub-page { background: none; }
QToolTip { background: %1; color: %2; border: 1px solid %6; padding: 2px; }
)")
        .arg(navlook::Well, navlook::Text, navlook::BevelDark, navlook::LedDim, navlook::LedLit, navlook::Glass);
}

} // namespace

TFileNavigator::TFileNavigator(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint)
{
    setWindowTitle(tr("Files"));
    // The panel covers the window, so it is never cleared before painting.
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_OpaquePaintEvent);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    setFont(font);
    setGeometry(kDesignLeft, kDesignTop, kDesignWidth, kDesignHeight);
    buildControls();
    applyLook();
    FormCreate();
}

void TFileNavigator::buildControls()
{
    NavPanel = new TNavPanel(2, 5, this);
    NavPanel->layout()->setSizeConstraint(QLayout::SetNoConstraint);

    folderModel_ = new QFileSystemModel(this);
    folderModel_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    folderModel_->setRootPath(QString());

    RzDirectoryTree1 = new QTreeView;
    RzDirectoryTree1->setModel(folderModel_);
    for (int column = 1; column < folderModel_->columnCount(); ++column)
        RzDirectoryTree1->hideColumn(column);
    RzDirectoryTree1->header()->hide();
    RzDirectoryTree1->setIndentation(kTreeIndent);
    RzDirectoryTree1->setMinimumHeight(kTreeMinimumHeight);
    RzDirectoryTree1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    RzDirectoryTree1->setSelectionMode(QAbstractItemView::SingleSelection);
    RzDirectoryTree1->setItemDelegate(new TFixedRowDelegate(kItemHeight, RzDirectoryTree1));
    connect(RzDirectoryTree1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    listFolder(folderModel_->filePath(current));
            });

    // The model reads folders in the background, so rows above the chosen
    // folder keep arriving after it was chosen: keep it in view until its
    // ancestors are read. Folders the user opens elsewhere move nothing.
    connect(folderModel_, &QFileSystemModel::rowsInserted, this, [this](const QModelIndex& parent) {
        if (followFolder_ && isAncestorOfFolder(folderModel_->filePath(parent)))
            keepFolderInView();
    });
    connect(folderModel_, &QFileSystemModel::layoutChanged, this, [this] {
        if (followFolder_)
            keepFolderInView();
    });

    // Once the user takes hold of the tree it stays where they put it.
    RzDirectoryTree1->installEventFilter(this);
    RzDirectoryTree1->viewport()->installEventFilter(this);
    RzDirectoryTree1->verticalScrollBar()->installEventFilter(this);

    fileModel_ = new QFileSystemModel(this);
    // Regular files only: a pipe or device named like a media file would
    // block the player that opens it.
    fileModel_->setFilter(QDir::Files | QDir::Hidden);
    fileModel_->setNameFilterDisables(false);

    FileListBox1 = new TFileListView;
    FileListBox1->setModel(fileModel_);
    FileListBox1->setToolTip(tr("Click to open the highlighted file"));
    FileListBox1->setMinimumHeight(kListMinimumHeight);
    FileListBox1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FileListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    FileListBox1->setUniformItemSizes(true);
    FileListBox1->setItemDelegate(new TFixedRowDelegate(kItemHeight, FileListBox1));
    connect(FileListBox1, &TFileListView::highlightChosen, this, &TFileNavigator::FileListBox1Change);
    // The playing file's row moves while the rest of its folder is read and
    // sorted: keep it in view until the user takes hold of the list.
    for (QObject* part : {static_cast<QObject*>(FileListBox1), static_cast<QObject*>(FileListBox1->viewport()),
                          static_cast<QObject*>(FileListBox1->verticalScrollBar())})
        part->installEventFilter(this);
    connect(fileModel_, &QFileSystemModel::layoutChanged, this, &TFileNavigator::keepHighlightInView);
    connect(fileModel_, &QFileSystemModel::rowsInserted, this, &TFileNavigator::keepHighlightInView);

    Splitter1 = new TNavSplitter;
    Splitter1->setHandleWidth(kSplitterHeight);
    Splitter1->addWidget(RzDirectoryTree1);
    Splitter1->addWidget(FileListBox1);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({kTreeHeight, kListHeight});
    Splitter1->canResize = [this](int newHeight) { return Splitter1CanResize(newHeight); };
    NavPanel->layout()->addWidget(Splitter1);
    NavPanel->setGeometry(rect());

    setFileMask(QStringLiteral("*.avi;*.mov;*.mpg;*.wav;*.mid"));
}

void TFileNavigator::applyLook()
{
    QPalette palette = this->palette();
    const QColor face(navlook::Face), well(navlook::Well), text(navlook::Text);
    palette.setColor(QPalette::Window, face);
    palette.setColor(QPalette::Button, face);
    palette.setColor(QPalette::Base, well);
    palette.setColor(QPalette::AlternateBase, well);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::ButtonText, text);
    // The chosen folder stays marked while another control has the focus.
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Highlight, QColor(navlook::LedDim));
        palette.setColor(group, QPalette::HighlightedText, QColor(navlook::LedLit));
    }
    setPalette(palette);
    setStyleSheet(navigatorStyleSheet());
}

void TFileNavigator::setFileMask(const QString& mask)
{
    fileMask_ = mask;
    // The file system is case-sensitive but the player opens files by their
    // extension in any case, so "*.avi" must also list MOVIE.AVI.
    fileModel_->setNameFilters(mediafolder::nameFilters(mask));
}

void TFileNavigator::showPlayingFile(const QString& path)
{
    playingFile_ = QFileInfo(path).absoluteFilePath();
    // Nothing is read from the disk before the navigator first opens; its
    // first show picks the file up.
    if (!folder_.isEmpty())
        highlightPlayingFile();
}

void TFileNavigator::highlightPlayingFile()
{
    const QFileInfo file(playingFile_);
    if (!setFolder(file.absolutePath()))
        return;
    // Asking the model for a file the mask leaves out would list it.
    const QModelIndex index = mediafolder::matches(file.fileName(), fileMask_)
                                  ? fileModel_->index(file.absoluteFilePath())
                                  : QModelIndex();
    if (!index.isValid()) {
        FileListBox1->selectionModel()->clear(); // no other file is the playing one
        return;
    }
    // A highlight the program sets is not the user's choice, so the list
    // reports nothing and the file is not opened again.
    FileListBox1->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    followHighlight_ = true;
    keepHighlightInView();
}

void TFileNavigator::keepHighlightInView()
{
    if (!followHighlight_)
        return;
    QTimer::singleShot(0, this, [this] {
        const QModelIndex current = FileListBox1->currentIndex();
        if (followHighlight_ && current.isValid())
            FileListBox1->scrollTo(current);
    });
}

bool TFileNavigator::setFolder(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isDir())
        return false;
    const QModelIndex index = folderModel_->index(info.absoluteFilePath());
    if (!index.isValid())
        return false;
    RzDirectoryTree1->setCurrentIndex(index);
    RzDirectoryTree1->scrollTo(index);
    // Choosing the folder that is already current sends no change.
    listFolder(folderModel_->filePath(index));
    followFolder_ = true;
    keepFolderInView();
    return true;
}

void TFileNavigator::listFolder(const QString& path)
{
    if (path == folder_)
        return;
    folder_ = path;
    fileModel_->setRootPath(path);
    FileListBox1->setRootIndex(fileModel_->index(path));
    // The old highlight belongs to another folder; dropping it opens nothing.
    FileListBox1->selectionModel()->clear();
    followHighlight_ = false;
}

void TFileNavigator::setBounds(int left, int top, int width, int height)
{
    setGeometry(left, top, width, height);
    FormResize();
}

void TFileNavigator::FormCreate()
{
    setBounds(x(), y(), 1, height());
}

bool TFileNavigator::isAncestorOfFolder(const QString& path) const
{
    const QString parent = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    return folder_ == path || folder_.startsWith(parent);
}

void TFileNavigator::keepFolderInView()
{
    // After the pending layout, so the tree scrolls with its real size.
    QTimer::singleShot(0, this, [this] {
        const QModelIndex current = RzDirectoryTree1->currentIndex();
        if (current.isValid())
            RzDirectoryTree1->scrollTo(current, QAbstractItemView::PositionAtCenter);
    });
}

void TFileNavigator::FormShow()
{
    // Nothing is read from the disk until the navigator first opens, so it
    // costs the program's start next to nothing.
    if (folder_.isEmpty()) {
        if (!playingFile_.isEmpty())
            highlightPlayingFile();
        if (folder_.isEmpty() && !setFolder(QDir::currentPath()))
            setFolder(QDir::rootPath());
    }
    // Keep the chosen folder in view when the navigator opens; the tree's
    // icons are drawn with their own transparency already.
    keepFolderInView();
    // Hang on the main window, so the window manager keeps us above it.
    if (!parentWidget() && host_.mainWindow && host_.mainWindow->windowHandle() && windowHandle())
        windowHandle()->setTransientParent(host_.mainWindow->windowHandle());
}

void TFileNavigator::FormResize()
{
    // Showing the window delivers its pending resize event, which lands
    // here again; the outer call finishes the work.
    if (inFormResize_)
        return;
    inFormResize_ = true;
    const bool open = width() > 2;
    if (open != isVisible())
        setVisible(open);
    if (!open)
        closedGeometry_ = geometry();
    if (handle_) {
        if (open) {
            handle_->move(x() - handle_->width(), y());
        } else {
            const QRect main = host_.mainWindow ? host_.mainWindow->geometry() : QRect(x() + width(), y() - 2, 0, 0);
            handle_->move(main.left() - handle_->width(), main.top() + 2);
        }
    }
    if (host_.setSavedNavigatorWidth && !(host_.isMaximised && host_.isMaximised()))
        host_.setSavedNavigatorWidth(width());
    inFormResize_ = false;
}

bool TFileNavigator::Splitter1CanResize(int newHeight) const
{
    return FileListBox1->height() + RzDirectoryTree1->height() - newHeight >= MinimumListHeight;
}

QString TFileNavigator::highlightedFile() const
{
    const QModelIndex current = FileListBox1->currentIndex();
    if (!current.isValid() || !FileListBox1->selectionModel()->isSelected(current))
        return {};
    return fileModel_->filePath(current);
}

void TFileNavigator::FileListBox1Change()
{
    if (host_.loadTheFile)
        host_.loadTheFile(highlightedFile());
}

bool TFileNavigator::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::KeyPress:
        if (watched == FileListBox1 || watched == FileListBox1->viewport() ||
            watched == FileListBox1->verticalScrollBar())
            followHighlight_ = false;
        else
            followFolder_ = false;
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void TFileNavigator::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    FormShow();
}

bool TFileNavigator::undoWindowManagerChange(const QEvent* event)
{
    // Closing the navigator by the window manager's sizing unmaps it in the
    // middle of that sizing, which the manager may answer by putting the
    // old size back. A closed navigator is sized only through setBounds.
    if (!event->spontaneous() || isVisible() || !closedGeometry_.isValid() || geometry() == closedGeometry_)
        return false;
    setGeometry(closedGeometry_);
    return true;
}

void TFileNavigator::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    if (undoWindowManagerChange(event))
        return;
    // While the window manager sizes the left edge, the new width may come
    // before the new position; the handle is placed again once both are in.
    FormResize();
}

void TFileNavigator::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (undoWindowManagerChange(event))
        return;
    NavPanel->setGeometry(rect());
    FormResize();
}
