#include "aboutform.h"

#include "artnames.h"
#include "dibcanvas.h"
#include "errorreport.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#ifndef NORRAVA_EMAIL
#define NORRAVA_EMAIL "hello@norrava.org"
#endif

// The trailing blanks leave a gap between the end of each line and its
// beginning once it is wrapped round the sphere.
const TBannerTable BannerLines = {{
    {"Arial", 30, fsBold, "N O R R A V A" + QString(10, ' ')},
    {"Arial", 20, fsBold, "SUPERIOR BY QUALITY AND COMMITMENT" + QString(3, ' ')},
    {"Arial", 22, fsBold | fsItalic,
     "CHECK THE WEB" + QString(4, ' ') + QStringLiteral(NORRAVA_EMAIL) + QString(3, ' ')},
}};

void TAboutImage::mousePressEvent(QMouseEvent* event)
{
    FPressed = event->button() == Qt::LeftButton;
}

void TAboutImage::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = FPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    FPressed = false;
    if (click && OnClick)
        OnClick();
}

TAbout::TAbout(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName("About");
    setWindowTitle("Another About Box");
    setFixedSize(317, 337);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::black);
    setPalette(colours);
    setAutoFillBackground(true);

    artnames::initArtResources();
    Image1 = new TAboutImage(this);
    Image1->setObjectName("Image1");
    Image1->setPixmap(QPixmap(artnames::path(artnames::kAbout)));
    Image1->setGeometry(0, 0, 317, 337);
    Image1->OnClick = [this] { Image1Click(); };

    GShape1 = new TGShape(this);
    GShape1->setObjectName("GShape1");
    GShape1->setGeometry(65, 49, 188, 190);
    GShape1->SetPen(QPen(Qt::white));
    GShape1->setVisible(false);

    try {
        FormCreate();
    } catch (const std::exception& error) {
        // The window is still made and shown, with an empty viewing area.
        FSurface.reset();
        ReportException(error, owner);
    }
    // The picture shows everything but the viewing area, which the window
    // itself paints from the surface.
    Image1->setMask(QRegion(Image1->rect()) - QRegion(QRect(65, 49, 188, 190)));
    CentreOnScreen();
}

TAbout::~TAbout()
{
    FTimer.reset();
    FSurface.reset();
}

int TAbout::Execute(QWidget* owner)
{
    TAbout about(owner);
    return about.exec();
}

void TAbout::FormCreate()
{
    FTimer = std::make_unique<TRxTimer>();
    FTimer->SetEnabled(false);
    const TLogPalette spectrum = TSolidRenderer::SpectrumPalette();
    FSurface = std::make_unique<TDIBUltra>(width(), height(), dfIndexed8, &spectrum);
    AnimationRect = QRect(QPoint(65, 49), QPoint(253 - 1, 239 - 1));
    FRenderer.ViewCentreX = FSurface->Width() / 2;
    FRenderer.ViewCentreY = 144;
    FSurface->SetFillColor(0x000000);
    BuildTrigTables();
    FRenderer.BuildShapes(BannerLines);
    FRenderer.PrepareMorph();
}

void TAbout::FormShow()
{
    CentreOnScreen();
    if (!FTimer)
        return;
    FTimer->SetInterval(25);
    FTimer->SetEnabled(true);
    FTimer->SetOnTimer([this](QObject* sender) { AnimateTick(sender); });
}

void TAbout::FormPaint(QPainter& canvas)
{
    if (FSurface)
        FSurface->Canvas().CopyTo(canvas, AnimationRect, AnimationRect);
}

void TAbout::FormClick()
{
    done(QDialog::Accepted);
}

void TAbout::Image1Click()
{
    done(QDialog::Accepted);
}

void TAbout::FormClose()
{
    FTimer.reset();
    FSurface.reset();
}

// One frame: step the animation, draw it into the surface and copy the
// viewing area to the screen at once. The surface's colour table travels
// with the copy, so there is no palette to realise.
void TAbout::AnimateTick(QObject* sender)
{
    (void)sender;
    if (!FSurface)
        return;
    FRenderer.AnimateTick(*FSurface);
    repaint(AnimationRect);
}

void TAbout::done(int result)
{
    if (!FClosed) {
        FClosed = true;
        FormClose();
    }
    QDialog::done(result);
}

void TAbout::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TAbout::paintEvent(QPaintEvent*)
{
    QPainter canvas(this);
    FormPaint(canvas);
}

void TAbout::mousePressEvent(QMouseEvent* event)
{
    FPressed = event->button() == Qt::LeftButton;
}

void TAbout::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = FPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    FPressed = false;
    if (click)
        FormClick();
}

void TAbout::CentreOnScreen()
{
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame(QPoint(), size());
    frame.moveCenter(screen->geometry().center());
    move(frame.topLeft());
}
