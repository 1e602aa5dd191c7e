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
        .arg(navlook::kWell, navlook::kText, navlook::kBevelDark, navlook::kLedDim, navlook::kLedLit, navlook::kGlass);
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
    BuildControls();
    ApplyLook();
    FormCreate();
}

void TFileNavigator::BuildControls()
{
    NavPanel = new TNavPanel(2, 5, this);
    NavPanel->layout()->setSizeConstraint(QLayout::SetNoConstraint);

    FFolderModel = new QFileSystemModel(this);
    FFolderModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    FFolderModel->setRootPath(QString());

    RzDirectoryTree1 = new QTreeView;
    RzDirectoryTree1->setModel(FFolderModel);
    for (int column = 1; column < FFolderModel->columnCount(); ++column)
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
                    ListFolder(FFolderModel->filePath(current));
            });

    // The model reads folders in the background, so rows above the chosen
    // folder keep arriving after it was chosen: keep it in view until its
    // ancestors are read. Folders the user opens elsewhere move nothing.
    connect(FFolderModel, &QFileSystemModel::rowsInserted, this, [this](const QModelIndex& parent) {
        if (FFollowFolder && IsAncestorOfFolder(FFolderModel->filePath(parent)))
            KeepFolderInView();
    });
    connect(FFolderModel, &QFileSystemModel::layoutChanged, this, [this] {
        if (FFollowFolder)
            KeepFolderInView();
    });

    // Once the user takes hold of the tree it stays where they put it.
    RzDirectoryTree1->installEventFilter(this);
    RzDirectoryTree1->viewport()->installEventFilter(this);
    RzDirectoryTree1->verticalScrollBar()->installEventFilter(this);

    FFileModel = new QFileSystemModel(this);
    // Regular files only: a pipe or device named like a media file would
    // block the player that opens it.
    FFileModel->setFilter(QDir::Files | QDir::Hidden);
    FFileModel->setNameFilterDisables(false);

    FileListBox1 = new TFileListView;
    FileListBox1->setModel(FFileModel);
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
    connect(FFileModel, &QFileSystemModel::layoutChanged, this, &TFileNavigator::KeepHighlightInView);
    connect(FFileModel, &QFileSystemModel::rowsInserted, this, &TFileNavigator::KeepHighlightInView);

    Splitter1 = new TNavSplitter;
    Splitter1->setHandleWidth(kSplitterHeight);
    Splitter1->addWidget(RzDirectoryTree1);
    Splitter1->addWidget(FileListBox1);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({kTreeHeight, kListHeight});
    Splitter1->OnCanResize = [this](int newHeight) { return Splitter1CanResize(newHeight); };
    NavPanel->layout()->addWidget(Splitter1);
    NavPanel->setGeometry(rect());

    SetFileMask(QStringLiteral("*.avi;*.mov;*.mpg;*.wav;*.mid"));
}

void TFileNavigator::ApplyLook()
{
    QPalette palette = this->palette();
    const QColor face(navlook::kFace), well(navlook::kWell), text(navlook::kText);
    palette.setColor(QPalette::Window, face);
    palette.setColor(QPalette::Button, face);
    palette.setColor(QPalette::Base, well);
    palette.setColor(QPalette::AlternateBase, well);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::ButtonText, text);
    // The chosen folder stays marked while another control has the focus.
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Highlight, QColor(navlook::kLedDim));
        palette.setColor(group, QPalette::HighlightedText, QColor(navlook::kLedLit));
    }
    setPalette(palette);
    setStyleSheet(navigatorStyleSheet());
}

void TFileNavigator::SetFileMask(const QString& mask)
{
    FFileMask = mask;
    // The file system is case-sensitive but the player opens files by their
    // extension in any case, so "*.avi" must also list MOVIE.AVI.
    FFileModel->setNameFilters(mediafolder::nameFilters(mask));
}

void TFileNavigator::ShowPlayingFile(const QString& path)
{
    FPlayingFile = QFileInfo(path).absoluteFilePath();
    // Nothing is read from the disk before the navigator first opens; its
    // first show picks the file up.
    if (!FFolder.isEmpty())
        HighlightPlayingFile();
}

void TFileNavigator::HighlightPlayingFile()
{
    const QFileInfo file(FPlayingFile);
    if (!SetFolder(file.absolutePath()))
        return;
    // Asking the model for a file the mask leaves out would list it.
    const QModelIndex index = mediafolder::matches(file.fileName(), FFileMask)
                                  ? FFileModel->index(file.absoluteFilePath())
                                  : QModelIndex();
    if (!index.isValid()) {
        FileListBox1->selectionModel()->clear(); // no other file is the playing one
        return;
    }
    // A highlight the program sets is not the user's choice, so the list
    // reports nothing and the file is not opened again.
    FileListBox1->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    FFollowHighlight = true;
    KeepHighlightInView();
}

void TFileNavigator::KeepHighlightInView()
{
    if (!FFollowHighlight)
        return;
    QTimer::singleShot(0, this, [this] {
        const QModelIndex current = FileListBox1->currentIndex();
        if (FFollowHighlight && current.isValid())
            FileListBox1->scrollTo(current);
    });
}

bool TFileNavigator::SetFolder(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isDir())
        return false;
    const QModelIndex index = FFolderModel->index(info.absoluteFilePath());
    if (!index.isValid())
        return false;
    RzDirectoryTree1->setCurrentIndex(index);
    RzDirectoryTree1->scrollTo(index);
    // Choosing the folder that is already current sends no change.
    ListFolder(FFolderModel->filePath(index));
    FFollowFolder = true;
    KeepFolderInView();
    return true;
}

void TFileNavigator::ListFolder(const QString& path)
{
    if (path == FFolder)
        return;
    FFolder = path;
    FFileModel->setRootPath(path);
    FileListBox1->setRootIndex(FFileModel->index(path));
    // The old highlight belongs to another folder; dropping it opens nothing.
    FileListBox1->selectionModel()->clear();
    FFollowHighlight = false;
}

void TFileNavigator::SetBounds(int left, int top, int width, int height)
{
    setGeometry(left, top, width, height);
    FormResize();
}

void TFileNavigator::FormCreate()
{
    SetBounds(x(), y(), 1, height());
}

bool TFileNavigator::IsAncestorOfFolder(const QString& path) const
{
    const QString parent = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    return FFolder == path || FFolder.startsWith(parent);
}

void TFileNavigator::KeepFolderInView()
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
    if (FFolder.isEmpty()) {
        if (!FPlayingFile.isEmpty())
            HighlightPlayingFile();
        if (FFolder.isEmpty() && !SetFolder(QDir::currentPath()))
            SetFolder(QDir::rootPath());
    }
    // Keep the chosen folder in view when the navigator opens; the tree's
    // icons are drawn with their own transparency already.
    KeepFolderInView();
    // Hang on the main window, so the window manager keeps us above it.
    if (!parentWidget() && FHost.mainWindow && FHost.mainWindow->windowHandle() && windowHandle())
        windowHandle()->setTransientParent(FHost.mainWindow->windowHandle());
}

void TFileNavigator::FormResize()
{
    // Showing the window delivers its pending resize event, which lands
    // here again; the outer call finishes the work.
    if (FInFormResize)
        return;
    FInFormResize = true;
    const bool open = width() > 2;
    if (open != isVisible())
        setVisible(open);
    if (!open)
        FClosedGeometry = geometry();
    if (FHandle) {
        if (open) {
            FHandle->move(x() - FHandle->width(), y());
        } else {
            const QRect main = FHost.mainWindow ? FHost.mainWindow->geometry() : QRect(x() + width(), y() - 2, 0, 0);
            FHandle->move(main.left() - FHandle->width(), main.top() + 2);
        }
    }
    if (FHost.setSavedNavigatorWidth && !(FHost.isMaximised && FHost.isMaximised()))
        FHost.setSavedNavigatorWidth(width());
    FInFormResize = false;
}

bool TFileNavigator::Splitter1CanResize(int newHeight) const
{
    return FileListBox1->height() + RzDirectoryTree1->height() - newHeight >= MinimumListHeight;
}

QString TFileNavigator::HighlightedFile() const
{
    const QModelIndex current = FileListBox1->currentIndex();
    if (!current.isValid() || !FileListBox1->selectionModel()->isSelected(current))
        return {};
    return FFileModel->filePath(current);
}

void TFileNavigator::FileListBox1Change()
{
    if (FHost.loadTheFile)
        FHost.loadTheFile(HighlightedFile());
}

bool TFileNavigator::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::KeyPress:
        if (watched == FileListBox1 || watched == FileListBox1->viewport() ||
            watched == FileListBox1->verticalScrollBar())
            FFollowHighlight = false;
        else
            FFollowFolder = false;
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

bool TFileNavigator::UndoWindowManagerChange(const QEvent* event)
{
    // Closing the navigator by the window manager's sizing unmaps it in the
    // middle of that sizing, which the manager may answer by putting the
    // old size back. A closed navigator is sized only through SetBounds.
    if (!event->spontaneous() || isVisible() || !FClosedGeometry.isValid() || geometry() == FClosedGeometry)
        return false;
    setGeometry(FClosedGeometry);
    return true;
}

void TFileNavigator::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    if (UndoWindowManagerChange(event))
        return;
    // While the window manager sizes the left edge, the new width may come
    // before the new position; the handle is placed again once both are in.
    FormResize();
}

void TFileNavigator::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (UndoWindowManagerChange(event))
        return;
    NavPanel->setGeometry(rect());
    FormResize();
}
