#include "statuspanel.h"

#include "artnames.h"
#include "statushandle.h"
#include "vrclock.h"
#include "vrlabel.h"
#include "vrnum.h"

#include <QLabel>
#include <QResizeEvent>

#include <algorithm>

namespace {

const QColor kGreen = VrColor(0x008000);
const QColor kNearBlack = VrColor(1644825); // 0x191919

} // namespace

TStatusPanel::TStatusPanel(TStatusHandle* handle, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint)
    , FStatusHandle(handle)
{
    setWindowTitle(QStringLiteral("Status"));
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, VrColor(12101800));
    setPalette(colours);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    setFont(font);
    setGeometry(849, 102, 323, PanelHeight);
    setMinimumHeight(1);
    setMaximumHeight(PanelHeight);

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setAutoFillBackground(true);
    QPalette panelColours = Panel1->palette();
    panelColours.setColor(QPalette::Window, VrColor(16384));
    Panel1->setPalette(panelColours);
    Panel1->setGeometry(0, 0, 323, PanelHeight);

    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(QPixmap(artnames::path(artnames::kStatusPanel)));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setGeometry(0, 0, 323, PanelHeight);

    VrLabel2 = MakeLabel({32, 28, 79, 16}, QStringLiteral("The type of media, whether Video or Audio"), false);
    ClockLength = MakeClock({123, 29, 43, 13},
                            QStringLiteral(" This is the duration of the media in hours, minutes and seconds"));
    ClockPosition = MakeClock({183, 29, 43, 13},
                              QStringLiteral(" This is the current position of the media in hours, minutes and seconds"));
    ClockElapsed = MakeClock({242, 29, 43, 13},
                             QStringLiteral(" This is the remaining time of the media in hours, minutes and seconds"));
    StatusLabel = MakeLabel({33, 57, 78, 19}, QStringLiteral("The current status of the media"), false);
    FramesLength = MakeCounter({117, 58, 59, 18}, QStringLiteral(" This is the duration of the media in frames"));
    FramesPosition = MakeCounter({177, 57, 59, 19}, QStringLiteral(" This is the current position of the media in frames"));
    FramesElapsed = MakeCounter({235, 57, 59, 19}, QStringLiteral(" This is the remaining time of the media in frames"));
    VrLabel3 = MakeLabel({91, 81, 206, 18}, QStringLiteral("Extra information about the media."), true);
    VrLabel1 = MakeLabel({91, 100, 206, 18}, QStringLiteral("The filename of the media"), true);

    VrLabel2->setObjectName(QStringLiteral("VrLabel2"));
    ClockLength->setObjectName(QStringLiteral("ClockLength"));
    ClockPosition->setObjectName(QStringLiteral("ClockPosition"));
    ClockElapsed->setObjectName(QStringLiteral("ClockElapsed"));
    StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
    FramesLength->setObjectName(QStringLiteral("FramesLength"));
    FramesPosition->setObjectName(QStringLiteral("FramesPosition"));
    FramesElapsed->setObjectName(QStringLiteral("FramesElapsed"));
    VrLabel3->setObjectName(QStringLiteral("VrLabel3"));
    VrLabel1->setObjectName(QStringLiteral("VrLabel1"));
    StatusLabel->SetCaption(QStringLiteral("stopped"));
    for (TVrLabel* label : {VrLabel2, VrLabel3, VrLabel1})
        label->SetCaption(QStringLiteral("none"));

    // The form is built; from here on changes paint at once.
    for (auto* widget : Panel1->findChildren<TVrGraphicControl*>())
        widget->EndLoading();

    if (FStatusHandle)
        FStatusHandle->SetStatusPanel(this);
    FormCreate();
    show();
}

TVrClock* TStatusPanel::MakeClock(const QRect& bounds, const QString& hint)
{
    auto* clock = new TVrClock(Panel1);
    clock->BeginLoading();
    clock->setGeometry(bounds);
    clock->setToolTip(hint);
    clock->SetClockType(ctCustom);
    clock->SetStyle(ns7x13);
    clock->SetSpacing(3);
    clock->SetAutoSize(true);
    clock->SetTransparent(true);
    clock->Palette()->SetLow(kGreen);
    clock->Palette()->SetHigh(kNearBlack);
    clock->SetColor(kGreen);
    return clock;
}

TVrNum* TStatusPanel::MakeCounter(const QRect& bounds, const QString& hint)
{
    auto* counter = new TVrNum(Panel1);
    counter->BeginLoading();
    counter->setGeometry(bounds);
    counter->setToolTip(hint);
    counter->SetDigits(6);
    counter->SetMax(999999);
    counter->SetStyle(ns7x13);
    counter->SetTransparent(true);
    counter->Palette()->SetLow(kGreen);
    counter->Palette()->SetHigh(kNearBlack);
    counter->SetColor(kGreen);
    return counter;
}

TVrLabel* TStatusPanel::MakeLabel(const QRect& bounds, const QString& hint, bool leftJustified)
{
    auto* label = new TVrLabel(Panel1);
    label->BeginLoading();
    label->setGeometry(bounds);
    label->setToolTip(hint);
    label->SetStyle(lsNone);
    label->SetTransparent(true);
    label->SetLayout(tlCenter);
    label->SetColor(kGreen);
    label->SetAlignment(leftJustified ? taLeftJustify : taCenter);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(13);
    label->setFont(font);
    label->SetFontColor(Qt::black);
    return label;
}

void TStatusPanel::FormCreate()
{
    SetPanelHeight(1); // starts closed
}

bool TStatusPanel::FormCanResize(int& newWidth, int& newHeight) const
{
    (void)newWidth;
    if (newHeight > PanelHeight)
        newHeight = PanelHeight;
    return true;
}

void TStatusPanel::SetPanelHeight(int height)
{
    int newWidth = width();
    if (!FormCanResize(newWidth, height))
        return;
    resize(newWidth, std::max(1, height));
}

void TStatusPanel::FormResize()
{
    if (!FStatusHandle)
        return;
    const QRect frame = geometry();
    FStatusHandle->move(frame.left(), frame.top() + frame.height());
}

void TStatusPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Panel1 stays full height, bottom-aligned: a short window shows only
    // its lowest rows, as if the panel slid out from under the main window.
    Panel1->setGeometry(0, height() - PanelHeight, width(), PanelHeight);
    FormResize();
}

void TStatusPanel::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    FormResize();
}
