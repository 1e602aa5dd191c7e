#include "vrprogressbar.h"

#include <QApplication>
#include <QPainter>

#include <algorithm>
#include <cmath>

TVrProgressBar::TVrProgressBar(QWidget* parent)
    : TVrGraphicImageControl(parent)
{
    resize(200, 16);
    SetColor(Qt::black);
    FBevel.SetInnerStyle(bsNone);
    FBevel.SetInnerSpace(0);
    FBevel.SetOuterStyle(bsLowered);
    FBevel.SetOuterOutline(osNone);
    FBevel.OnChange = [this] { RequestRepaint(); };
}

void TVrProgressBar::SetPosition(int value)
{
    Assign(FPosition, std::clamp(value, FMin, FMax));
}

void TVrProgressBar::SetMin(int value)
{
    if (value == FMin || value >= FMax)
        return;
    FMin = value;
    if (FPosition < FMin)
        SetPosition(FMin);
    else
        RequestRepaint();
}

void TVrProgressBar::SetMax(int value)
{
    if (value == FMax || value <= FMin)
        return;
    FMax = value;
    if (FPosition > FMax)
        SetPosition(FMax);
    else
        RequestRepaint();
}

void TVrProgressBar::SetOrientation(TVrOrientation value)
{
    if (FOrientation == value)
        return;
    FOrientation = value;
    FGradientDirty = true;
    if (!IsLoading())
        setGeometry(x(), y(), height(), width());
    RequestRepaint();
}

int TVrProgressBar::PercentOf(double value, double range)
{
    return range == 0 ? 0 : int(std::trunc(value * 100 / range));
}

void TVrProgressBar::FillGradient(QImage& canvas, const QRect& area, const QColor& first, const QColor& last,
                                  bool vertical)
{
    const int length = vertical ? area.height() : area.width();
    if (length <= 0)
        return;
    double channel[3] = {double(first.red()), double(first.green()), double(first.blue())};
    const double step[3] = {double(last.red() - first.red()) / length, double(last.green() - first.green()) / length,
                            double(last.blue() - first.blue()) / length};
    auto level = [](double v) { return std::clamp(int(std::nearbyint(v)), 0, 255); };
    QPainter painter(&canvas);
    for (int k = 0; k <= length; ++k) {
        const QColor colour(level(channel[0]), level(channel[1]), level(channel[2]));
        const QRect band = vertical ? QRect(area.left(), area.top() + k, area.width(), 1)
                                    : QRect(area.left() + k, area.top(), 1, area.height());
        painter.fillRect(band, colour);
        for (int c = 0; c < 3; ++c)
            channel[c] += step[c];
    }
}

void TVrProgressBar::BuildGradient()
{
    const QSize size = FInnerRect.size();
    if (!FGradientDirty && FGradientImage.size() == size)
        return;
    FGradientImage = QImage(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    FGradientImage.fill(Qt::black);
    const QRect area(QPoint(0, 0), size);
    if (FPlainColors)
        FGradientImage.fill(QApplication::palette().color(QPalette::Highlight));
    else if (FOrientation == voVertical)
        FillGradient(FGradientImage, area, FEndColor, FStartColor, true);
    else
        FillGradient(FGradientImage, area, FStartColor, FEndColor, false);
    FGradientDirty = false;
    ++FGradientBuilds;
}

void TVrProgressBar::CopyRamp(const QRect& source, const QRect& target)
{
    if (target.width() <= 0 || target.height() <= 0)
        return;
    QPainter painter(&FImage);
    painter.drawImage(target, FGradientImage, source);
}

void TVrProgressBar::DrawSegments()
{
    const int left = FInnerRect.left(), top = FInnerRect.top();
    const int right = left + FInnerRect.width(), bottom = top + FInnerRect.height();
    const double fraction = PercentOf(double(FPosition) - FMin, double(FMax) - FMin) * 0.01;
    if (FOrientation == voVertical) {
        const int s = ((right - left) / 3) * 2;
        const int length = bottom - top;
        // Segment as (l, t, r, b), right and bottom exclusive.
        int sl = left + 1, sr = right - 1, st = bottom - s, sb = bottom;
        if (!FSmooth) {
            ++st;
            --sb;
        }
        const int filled = int(std::trunc(length * fraction));
        if (FSmooth)
            st = bottom - filled;
        while (bottom - filled < sb) {
            if (st <= top)
                st = top + 1;
            const int h = sb - st;
            if (h < 0)
                break; // a bar too thin to hold a segment
            CopyRamp(QRect(0, st - top - 1, FGradientImage.width(), h), QRect(sl, st, sr - sl, h));
            st -= h + 2;
            sb -= h + 2;
        }
    } else {
        const int s = ((bottom - top) / 3) * 2;
        const int length = right - left;
        int sl = FSmooth ? left + 1 : left, st = top + 1, sb = bottom - 1;
        int sr = sl + s;
        if (!FSmooth) {
            ++sl;
            --sr;
        }
        const int filled = int(std::trunc(length * fraction));
        if (FSmooth)
            sr = left + filled;
        while (sl < left + filled) {
            if (sr >= right)
                sr = right - 1;
            const int w = sr - sl;
            if (w < 0)
                break;
            CopyRamp(QRect(sl - left, 0, w, sb - st), QRect(sl, st, w, sb - st));
            sl += w + 2;
            sr += w + 2;
        }
    }
}

void TVrProgressBar::Paint()
{
    PrepareImage();
    FInnerRect = rect();
    {
        QPainter canvas(&FImage);
        FBevel.Paint(canvas, FInnerRect);
    }
    BuildGradient();
    DrawSegments();
    PresentImage();
}
