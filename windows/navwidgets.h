#pragma once

#include <QListView>
#include <QPersistentModelIndex>
#include <QSplitter>
#include <QSplitterHandle>
#include <QStyledItemDelegate>
#include <QWidget>
#include <functional>

// The pieces the file navigator is built from: its bevelled panel, the
// splitter that asks before it moves, and the file list that reports only
// what the user did to its highlight.

// Colours of the player's dark metal look, shared by the companion windows.
namespace navlook {
inline constexpr const char* kFace = "#30353b";      // button face of panels and bars
inline constexpr const char* kWell = "#1c1f23";      // background of lists
inline constexpr const char* kText = "#c9ced4";      // light grey text
inline constexpr const char* kBevelLight = "#9aa1a9";
inline constexpr const char* kBevelDark = "#0c0d0f";
inline constexpr const char* kLedLit = "#3dff7a";
inline constexpr const char* kLedDim = "#0f4a26";
inline constexpr const char* kGlass = "#49c6e5";
} // namespace navlook

// Draws a raised bevel of the given width round rect.
class QPainter;
void DrawRaisedBevel(QPainter& painter, const QRect& rect, int width);

// A panel in the button-face colour with a raised bevel of bevelWidth and a
// border of borderWidth inside it; children are laid out inside both.
class TNavPanel : public QWidget {
public:
    TNavPanel(int bevelWidth, int borderWidth, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int FBevelWidth;
};

// Rows of a fixed height, whatever the font.
class TFixedRowDelegate : public QStyledItemDelegate {
public:
    TFixedRowDelegate(int rowHeight, QObject* parent);
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int FRowHeight;
};

// A vertical splitter whose handle asks OnCanResize with the proposed height
// of the first pane before every move it makes while being dragged. A
// refused move leaves the bar at the nearest position that is allowed;
// moves up, which only give the lower pane room, are not asked about.
class TNavSplitter : public QSplitter {
public:
    explicit TNavSplitter(QWidget* parent = nullptr);

    std::function<bool(int newFirstHeight)> OnCanResize;

    // Moves the bar as a drag to handle-top position pos would; true when
    // it moved. Used by the handle; public so that it can be driven directly.
    bool DragTo(int pos);

protected:
    QSplitterHandle* createHandle() override;
};

class TNavSplitterHandle : public QSplitterHandle {
public:
    explicit TNavSplitterHandle(TNavSplitter* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TNavSplitter* FSplitter;
    int FPressOffset = 0;
    bool FDragging = false;
};

// A file list that signals highlightChosen when the user moves its highlight
// with the mouse or the keys, clicks the highlighted file, or presses Enter.
// Changes the program makes itself (a new folder, files appearing or
// vanishing) are not reported, so they never open a file by themselves.
class TFileListView : public QListView {
    Q_OBJECT
public:
    using QListView::QListView;

signals:
    void highlightChosen();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPersistentModelIndex FCurrentAtPress;
    bool FPressed = false;
    bool FReleaseEndsDoubleClick = false;
};
