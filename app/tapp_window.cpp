// Painting the skin, placing the controls and companion windows, moving
// and minimising the window, sizing the video and capturing frames.
#include "tapp.h"

#include "bmpfile.h"
#include "fileblind.h"
#include "filenavigator.h"
#include "gtabbutton.h"
#include "mcisession.h"
#include "mediacommands.h"
#include "muldiv.h"
#include "norravaapplication.h"
#include "rxslider.h"
#include "statushandle.h"
#include "statuspanel.h"
#include "txvideowindow.h"
#include "videofit.h"
#include "vrprogressbar.h"

#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <algorithm>

// --- Skin painting and layout ---------------------------------------------

void Tapp::FormPaint()
{
    // Composed off screen all the same: Qt paints a window into its backing
    // store and shows the whole in one step. A bitmap of the window's own
    // (10 MB beside a full-HD video) would only be a second copy.
    QPainter window(this);
    ComposeSkin(window);
}

void Tapp::ComposeSkin(QPainter& buffer) const
{
    const int W = width(), H = height();
    const int IW = SkinImage.width(), IH = SkinImage.height();
    buffer.fillRect(0, 0, W, H, Qt::black);
    struct Piece {
        QRect source, destination;
    };
    const Piece pieces[] = {
        {{0, 0, 93, 209}, {0, 0, 93, 209}},
        {{95, 0, 1, 94}, {93, 0, W - 132, 94}},
        {{IW - 39, 0, 39, 209}, {W - 39, 0, 39, 209}},
        {{148, 0, 93, 94}, {(W - 93) / 2, 0, 93, 94}},
        {{0, 209, 41, 1}, {0, 209, 41, H - 294}},
        {{IW - 40, 209, 40, 1}, {W - 40, 209, 40, H - 291}},
        {{0, IH - 104, 89, 104}, {0, H - 104, 89, 104}},
        {{209, IH - 104, 1, 104}, {88, H - 104, W - 175, 104}},
        {{IW - 87, IH - 104, 87, 104}, {W - 87, H - 104, 87, 104}},
    };
    for (const Piece& p : pieces) {
        if (p.destination.width() > 0 && p.destination.height() > 0)
            buffer.drawImage(p.destination, SkinImage, p.source); // nearest-neighbour stretch
    }
}

void Tapp::paintEvent(QPaintEvent*)
{
    FormPaint();
}

void Tapp::FormResize()
{
    ResizeAndPositionAll();
}

void Tapp::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FormResize();
}

void Tapp::ResizeAndPositionAll()
{
    repaint();
    const int W = width(), H = height();
    if (FileNavigator) {
        FileNavigator->SetBounds(x() - FileNavigator->width(), y() + 2, FileNavigator->width(), H - 4);
        if (FileBlind) {
            const int blindLeft = (FileNavigator->isVisible() ? FileNavigator->x() : x()) - FileBlind->width();
            FileBlind->move(blindLeft, FileNavigator->y());
        }
    }
    if (StatusPanel) {
        StatusPanel->move(x() + (W - StatusPanel->width()) / 2, y() + H);
        if (StatusHandle)
            StatusHandle->move(StatusPanel->x(), StatusPanel->y() + StatusPanel->height());
    }
    ButtonClose->move(W - 34, ButtonClose->y());
    ButtonMaximise->move(ButtonClose->x() - 26, ButtonMaximise->y());
    ButtonMinimise->move(ButtonClose->x() - 52, ButtonMinimise->y());
    for (TGTabButton* b : {ButtonClose, ButtonMaximise, ButtonMinimise})
        b->repaint();
    VideoPositionSlider->setGeometry(89, H - 102, W - 175, VideoPositionSlider->height());
    LedVolumeLeft->setGeometry(18, 206, LedVolumeLeft->width(), H - 253);
    LedVolumeRight->setGeometry(W - 30, LedVolumeLeft->y(), LedVolumeRight->width(), LedVolumeLeft->height());
    VolumeSlider->setGeometry(VideoPositionSlider->x(), H - 43, VideoPositionSlider->width(), VolumeSlider->height());
    for (TGTabButton* b : {ButtonLoad, ButtonCapture, ButtonBigger, ButtonSmaller, ButtonNormalSize, ButtonWeb})
        b->repaint();
    ButtonAbout->move(W - 50 - ButtonAbout->width(), ButtonAbout->y());
    ButtonEmail->move(W - 40, ButtonEmail->y());
    ButtonAbout->repaint();
    ButtonEmail->repaint();
    ControlsToolBar->move((W - 250) / 2 + 1, H - 80);
}

// --- Moving and minimising ------------------------------------------------

Tapp::Zone Tapp::ZoneAt(int x, int y) const
{
    const int W = width(), H = height();
    const int a = (W - 84) / 2;
    const bool inHotspotRow = y >= 5 && y <= 34;
    if (inHotspotRow && ((x >= a && x <= a + 84) || (x >= 13 && x <= 85)))
        return Zone::AboutHotspot;
    if ((y <= 33 && x <= W - 90) || x <= 20 || x >= W - 20 || y >= H - 20)
        return Zone::Drag;
    return Zone::None;
}

void Tapp::FormMouseDown(int x, int y)
{
    const Zone zone = ZoneAt(x, y);
    if (zone == Zone::AboutHotspot) {
        if (OpenAbout)
            OpenAbout();
        return;
    }
    if (zone != Zone::Drag || IsMaximised)
        return;
    // Without a window manager that moves windows, follow the pointer ourselves.
    if (!windowHandle() || !windowHandle()->startSystemMove())
        FDragOffset = QCursor::pos() - pos();
}

void Tapp::FormMouseMove(int x, int y)
{
    setCursor(Qt::ArrowCursor);
    const Zone zone = ZoneAt(x, y);
    if (zone == Zone::AboutHotspot)
        setCursor(Qt::PointingHandCursor);
    else if (zone == Zone::Drag && !IsMaximised)
        setCursor(Qt::SizeAllCursor);
}

void Tapp::mousePressEvent(QMouseEvent* event)
{
    FormMouseDown(event->position().toPoint().x(), event->position().toPoint().y());
}

void Tapp::mouseMoveEvent(QMouseEvent* event)
{
    if (FDragOffset && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - *FDragOffset);
        return;
    }
    FDragOffset.reset();
    FormMouseMove(event->position().toPoint().x(), event->position().toPoint().y());
}

void Tapp::mouseReleaseEvent(QMouseEvent*)
{
    FDragOffset.reset();
}

// The hook on the window's moves: companions travel with every step.
void Tapp::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    ResizeAndPositionAll();
}

void Tapp::ButtonMinimiseClick()
{
    FMinimisingTogether = true;
    for (QWidget* w : Companions())
        w->hide();
    showMinimized();
}

void Tapp::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    if (isMinimized()) {
        // Minimised from the task bar or the window manager: all go together.
        for (QWidget* w : Companions())
            w->hide();
        FMinimisingTogether = true;
    } else if (FMinimisingTogether) {
        FMinimisingTogether = false;
        if (FileNavigator && FileNavigator->width() > 2)
            FileNavigator->show();
        for (QWidget* w : std::initializer_list<QWidget*>{StatusPanel, FileBlind, StatusHandle})
            if (w)
                w->show();
        ResizeAndPositionAll();
    }
}

// --- Dropping files -------------------------------------------------------

void Tapp::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls() && event->mimeData()->urls().first().isLocalFile())
        event->acceptProposedAction();
}

void Tapp::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return;
    event->acceptProposedAction();
    LoadTheFile(urls.first().toLocalFile());
}

bool Tapp::eventFilter(QObject* watched, QEvent* event)
{
    // The slider steps on a key before its OnKeyDown fires, so without this
    // a key press would move the thumb without seeking and the next poll
    // would put it back: the user holds the slider from the key press on.
    if (watched == VideoPositionSlider && event->type() == QEvent::KeyPress)
        VideoPositionSliderKeyDown();
    if (watched == FileNavigator && event->type() == QEvent::DragEnter) {
        dragEnterEvent(static_cast<QDragEnterEvent*>(event));
        return true;
    }
    if (watched == FileNavigator && event->type() == QEvent::Drop) {
        dropEvent(static_cast<QDropEvent*>(event));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// --- Video sizing -----------------------------------------------------------

void Tapp::TellDeviceTheSize()
{
    mediacommands::stop();
    mediacommands::putDestination(VideoWindow->width(), VideoWindow->height());
}

void Tapp::SetVideoSize(int width, int height)
{
    // A device without a source size would give negative sizes: keep the
    // current one instead.
    if (width <= 0 || height <= 0)
        return;
    DisplayRect.Right = width;
    DisplayRect.Bottom = height;
    VideoWindow->setGeometry(VideoWindow->x(), VideoWindow->y(), width, height);
}

// What the main window adds round the video: the panel's Left on both
// sides, its Top above and 103 below.
QSize Tapp::WrapMargins() const
{
    return QSize(2 * VideoWindow->x(), VideoWindow->y() + 103);
}

QSize Tapp::WrappedSize(QSize video) const
{
    return (video + WrapMargins()).expandedTo(minimumSize());
}

void Tapp::WrapTheVideo()
{
    resize(WrappedSize(VideoWindow->size()));
}

// What must lie on the screen, relative to the main window's top-left:
// the main window; the file navigator while open (wider than 2) on its
// left; the navigator's handle on the navigator's left, or on the main
// window's left while the navigator is closed; the status panel, at its
// current height, centred under the main window; and the panel's handle
// under the panel. With these on the screen the transport, both sliders
// and both handles can be reached. Mirrors ResizeAndPositionAll.
QRect Tapp::Footprint(QSize window) const
{
    const int W = window.width(), H = window.height();
    QRect area(0, 0, W, H);
    int left = 0;
    if (FileNavigator && FileNavigator->width() > 2) {
        left = -FileNavigator->width();
        area |= QRect(left, 2, FileNavigator->width(), H - 4);
    }
    if (FileBlind)
        area |= QRect(left - FileBlind->width(), 2, FileBlind->width(), FileBlind->height());
    if (StatusPanel) {
        const QRect panel((W - StatusPanel->width()) / 2, H, StatusPanel->width(), StatusPanel->height());
        area |= panel;
        if (StatusHandle)
            area |= QRect(panel.left(), panel.bottom() + 1, StatusHandle->width(), StatusHandle->height());
    }
    return area;
}

// The available area of the screen under the top-left part of a main
// window whose top-left corner is given.
QRect Tapp::AvailableAreaFor(QPoint topLeft) const
{
    return AvailableScreenArea(topLeft + QPoint(MinWidth / 2, MinHeight / 2));
}

// The largest video size whose windows fit the available area, for a main
// window at topLeft and about the given size.
QSize Tapp::VideoRoom(QPoint topLeft, QSize window) const
{
    const QSize companions = Footprint(window).size() - window;
    return AvailableAreaFor(topLeft).size() - companions - WrapMargins();
}

// The natural size when the windows round it fit the screen, otherwise the
// largest size of the same shape that does.
QSize Tapp::FittedVideoSize(QPoint topLeft) const
{
    const QSize natural(SourceRect.Right, SourceRect.Bottom);
    if (natural.isEmpty())
        return natural;
    const QSize room = VideoRoom(topLeft, WrappedSize(natural));
    if (natural.width() <= room.width() && natural.height() <= room.height())
        return natural;
    return ScaledToFit(natural, room);
}

// The top-left for a main window meant to lie at window: moved as little
// as it takes for the whole footprint to be on the screen; on a screen too
// small for the footprint, the main window itself is kept on it.
QPoint Tapp::PlacedOnScreen(const QRect& window) const
{
    const QRect area = AvailableAreaFor(window.topLeft());
    auto shiftInto = [&area](const QRect& r) {
        QPoint shift;
        if (r.right() > area.right())
            shift.rx() = area.right() - r.right();
        if (r.bottom() > area.bottom())
            shift.ry() = area.bottom() - r.bottom();
        if (r.left() + shift.x() < area.left())
            shift.rx() = area.left() - r.left();
        if (r.top() + shift.y() < area.top())
            shift.ry() = area.top() - r.top();
        return shift;
    };
    QRect placed = window.translated(shiftInto(Footprint(window.size()).translated(window.topLeft())));
    placed.translate(shiftInto(placed));
    return placed.topLeft();
}

void Tapp::ScreenFit()
{
    const QSize screen = ScreenSize ? ScreenSize() : PrimaryScreenSize();
    int w = screen.width() - 2 * VideoWindow->x();
    int h = MulDiv(SourceRect.Bottom, w, SourceRect.Right);
    if (h + 182 >= screen.height()) {
        h = screen.height() - 182;
        w = MulDiv(SourceRect.Right, h, SourceRect.Bottom);
    }
    SetVideoSize(w, h);
    WrapTheVideo();
    move(screen.width() - width(), 0);
    if (FileNavigator)
        FileNavigator->SetBounds(0, FileNavigator->y(), x(), FileNavigator->height());
    if (StatusPanel)
        StatusPanel->SetPanelHeight(1);
    TellDeviceTheSize();
}

void Tapp::ButtonMaximiseClick()
{
    if (!MediaLoaded || !HasVideo || IsMaximised)
        return;
    SavedNavigatorWidth = FileNavigator ? FileNavigator->width() : 0;
    SavedLeft = x();
    SavedTop = y();
    IsMaximised = true;
    ScreenFit();
    ResizeAndPositionAll();
}

void Tapp::ButtonBiggerClick()
{
    if (!MediaLoaded || !HasVideo)
        return;
    int w = DisplayRect.Right + 8;
    int h = MulDiv(SourceRect.Bottom, w, SourceRect.Right);
    if (!IsMaximised) {
        // Up to the largest size whose windows all fit the screen.
        const QSize most = ScaledToFit({SourceRect.Right, SourceRect.Bottom}, VideoRoom(pos(), size()));
        if (w > most.width() || h > most.height()) {
            w = most.width();
            h = most.height();
        }
        if (w <= DisplayRect.Right)
            return;
    }
    SetVideoSize(w, h);
    WrapTheVideo();
    if (!IsMaximised)
        move(PlacedOnScreen(geometry()));
    TellDeviceTheSize();
}

void Tapp::ButtonSmallerClick()
{
    if (!MediaLoaded || !HasVideo || VideoWindow->width() <= 251)
        return;
    const int w = DisplayRect.Right - 8;
    SetVideoSize(w, MulDiv(SourceRect.Bottom, w, SourceRect.Right));
    WrapTheVideo();
    TellDeviceTheSize();
}

void Tapp::ButtonNormalSizeClick()
{
    if (!MediaLoaded || !HasVideo)
        return;
    if (FileNavigator)
        FileNavigator->SetBounds(FileNavigator->x(), FileNavigator->y(), SavedNavigatorWidth, FileNavigator->height());
    IsMaximised = false;
    const QPoint saved(SavedLeft, SavedTop);
    const QSize video = FittedVideoSize(saved);
    SetVideoSize(video.width(), video.height());
    TellDeviceTheSize();
    mediacommands::redraw(VideoWindow->Handle());
    const QSize window = WrappedSize(VideoWindow->size());
    setGeometry(QRect(PlacedOnScreen(QRect(saved, window)), window));
}

// --- Frame capture -----------------------------------------------------------

void Tapp::ButtonCaptureClick()
{
    if (!MediaLoaded || !HasVideo)
        return;
    mediacommands::stop();
    mediacommands::redraw(VideoWindow->Handle());
    const QString file = ChooseCaptureFile ? ChooseCaptureFile() : QString();
    if (!file.isEmpty()) {
        mediacommands::stop();
        mediacommands::redraw(VideoWindow->Handle());
        const QImage bitmap = VideoWindow->Snapshot();
        QString error;
        if (!bmp::write(bitmap, file, 24, &error)) {
            // Reported as the application reports every error, without
            // unwinding through Qt's event dispatch.
            mediacommands::redraw(VideoWindow->Handle());
            NorravaApplication::ShowException(error);
            return;
        }
    }
    mediacommands::redraw(VideoWindow->Handle());
}
