#include "navwidgets.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

void DrawRaisedBevel(QPainter& painter, const QRect& rect, int width)
{
    const QColor light(navlook::kBevelLight);
    const QColor dark(navlook::kBevelDark);
    for (int i = 0; i < width; ++i) {
        const QRect r = rect.adjusted(i, i, -i, -i);
        painter.setPen(light);
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(dark);
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomRight());
    }
}

// Fills rect with the button face, brushed lightly from top to bottom.
static void fillFace(QPainter& painter, const QRect& rect)
{
    const QColor face(navlook::kFace);
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0, face.lighter(112));
    gradient.setColorAt(1, face.darker(112));
    painter.fillRect(rect, gradient);
}

TNavPanel::TNavPanel(int bevelWidth, int borderWidth, QWidget* parent) : QWidget(parent), FBevelWidth(bevelWidth)
{
    // Every pixel is painted here, so nothing is erased first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    auto* layout = new QVBoxLayout(this);
    const int inset = bevelWidth + borderWidth;
    layout->setContentsMargins(inset, inset, inset, inset);
    layout->setSpacing(0);
}

void TNavPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    fillFace(painter, rect());
    DrawRaisedBevel(painter, rect(), FBevelWidth);
}

TFixedRowDelegate::TFixedRowDelegate(int rowHeight, QObject* parent)
    : QStyledItemDelegate(parent), FRowHeight(rowHeight)
{
}

QSize TFixedRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    return {QStyledItemDelegate::sizeHint(option, index).width(), FRowHeight};
}

TNavSplitter::TNavSplitter(QWidget* parent) : QSplitter(Qt::Vertical, parent)
{
    setOpaqueResize(true);
    setChildrenCollapsible(false);
}

QSplitterHandle* TNavSplitter::createHandle()
{
    return new TNavSplitterHandle(this);
}

bool TNavSplitter::DragTo(int pos)
{
    const int current = sizes().value(0);
    // Only a move down shrinks the lower pane, so only that is asked about
    // (a lower pane already squeezed by a short window can always grow
    // back). The allowed positions form one run: step back up towards the
    // bar until one is accepted.
    while (pos > current && OnCanResize && !OnCanResize(pos))
        --pos;
    if (pos == current)
        return false;
    moveSplitter(pos, 1);
    return sizes().value(0) != current;
}

TNavSplitterHandle::TNavSplitterHandle(TNavSplitter* parent)
    : QSplitterHandle(Qt::Vertical, parent), FSplitter(parent)
{
    setCursor(Qt::SplitVCursor);
}

void TNavSplitterHandle::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    fillFace(painter, rect());
    DrawRaisedBevel(painter, rect(), 1);
    // A few grip dots in the middle show where to take hold.
    const QPoint centre = rect().center();
    for (int i = -2; i <= 2; ++i) {
        const QPoint dot(centre.x() + i * 5, centre.y());
        painter.fillRect(QRect(dot, QSize(2, 2)), QColor(navlook::kBevelDark));
        painter.fillRect(QRect(dot - QPoint(1, 1), QSize(2, 2)), QColor(navlook::kBevelLight));
    }
}

void TNavSplitterHandle::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        FPressOffset = event->position().toPoint().y();
        FDragging = true;
    }
}

void TNavSplitterHandle::mouseMoveEvent(QMouseEvent* event)
{
    if (!FDragging)
        return;
    const int pos = FSplitter->mapFromGlobal(event->globalPosition().toPoint()).y() - FPressOffset;
    FSplitter->DragTo(pos);
}

void TNavSplitterHandle::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        FDragging = false;
}

void TFileListView::mousePressEvent(QMouseEvent* event)
{
    FCurrentAtPress = currentIndex();
    FPressed = true;
    FReleaseEndsDoubleClick = false;
    QListView::mousePressEvent(event);
}

void TFileListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The first click of a double click has opened the file already; the
    // release of the second must not open it again. When the second click
    // lands elsewhere the view treats it as a fresh press, which resets this.
    FReleaseEndsDoubleClick = true;
    QListView::mouseDoubleClickEvent(event);
}

void TFileListView::mouseReleaseEvent(QMouseEvent* event)
{
    QListView::mouseReleaseEvent(event);
    if (!FPressed)
        return;
    FPressed = false;
    const QModelIndex current = currentIndex();
    if (FReleaseEndsDoubleClick || !current.isValid())
        return;
    // A press that moved the highlight (or a drag that carried it) chooses
    // the new file; a click on the highlighted file chooses it again.
    if (current != FCurrentAtPress || indexAt(event->position().toPoint()) == current)
        emit highlightChosen();
}

void TFileListView::keyPressEvent(QKeyEvent* event)
{
    const QPersistentModelIndex before = currentIndex();
    QListView::keyPressEvent(event);
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return;
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter || current != before)
        emit highlightChosen();
}
