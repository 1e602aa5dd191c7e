#include "vrnum.h"

#include <algorithm>

namespace {

constexpr QRgb kSilver = 0xC0C0C0;
constexpr QRgb kGrey = 0x808080;
constexpr QRgb kBlack = 0x000000;

} // namespace

void TVrPalette::RecolorBitmap(QImage& bitmap) const
{
    if (bitmap.isNull())
        return;
    bitmap = bitmap.convertToFormat(QImage::Format_RGB32);
    const QRgb high = FHigh.rgb();
    const QRgb low = FLow.rgb();
    for (int y = 0; y < bitmap.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(bitmap.scanLine(y));
        for (int x = 0; x < bitmap.width(); ++x) {
            if ((line[x] & 0xffffff) == kSilver)
                line[x] = high;
            if ((line[x] & 0xffffff) == kGrey)
                line[x] = low;
        }
    }
}

TVrCustomNum::TVrCustomNum(QWidget* parent)
    : TVrGraphicImageControl(parent)
{
    resize(100, 26);
    FPalette.OnChange = [this] {
        LoadImages();
        RequestRepaint();
    };
    TVrCustomNum::LoadImages();
}

TVrCustomNum::~TVrCustomNum()
{
    FPalette.OnChange = nullptr;
}

const artnames::LedArt& TVrCustomNum::StyleArt(TVrNumStyle style)
{
    switch (style) {
    case ns13x24: return artnames::kLed13x24;
    case ns11x20: return artnames::kLed11x20;
    case ns7x13: return artnames::kLed7x13;
    case ns12x17: return artnames::kLed12x17;
    case ns5x7: return artnames::kLed5x7;
    }
    return artnames::kLed7x13;
}

void TVrCustomNum::SetStyle(TVrNumStyle value)
{
    if (FStyle == value)
        return;
    FStyle = value;
    LoadImages();
    RequestRepaint();
}

void TVrCustomNum::LoadImages()
{
    // Always from the resource, so recolouring starts from its greys.
    FDigitStrip = QImage(artnames::path(StyleArt(FStyle).digits));
    FPalette.RecolorBitmap(FDigitStrip);
    FCellWidth = FDigitStrip.isNull() ? 0 : FDigitStrip.width() / 13;
    FCellHeight = FDigitStrip.isNull() ? 0 : FDigitStrip.height();
}

void TVrCustomNum::DrawMasked(const QImage& picture, QRect source, int x, int y, QRgb leftOut)
{
    source &= picture.rect();
    for (int sy = source.top(); sy <= source.bottom(); ++sy) {
        const int ty = y + sy - source.top();
        if (ty < 0 || ty >= FImage.height())
            continue;
        const auto* from = reinterpret_cast<const QRgb*>(picture.constScanLine(sy));
        auto* to = reinterpret_cast<QRgb*>(FImage.scanLine(ty));
        for (int sx = source.left(); sx <= source.right(); ++sx) {
            const int tx = x + sx - source.left();
            if (tx < 0 || tx >= FImage.width() || (from[sx] & 0xffffff) == leftOut)
                continue;
            to[tx] = from[sx];
        }
    }
}

void TVrCustomNum::DrawCell(int index, int x, int y)
{
    if (FCellWidth <= 0)
        return;
    DrawMasked(FDigitStrip, QRect(index * FCellWidth, 0, FCellWidth, FCellHeight), x, y, kBlack);
}

void TVrCustomNum::ApplyAutoSize(int rowWidth, int rowHeight)
{
    if (FAutoSize && size() != QSize(rowWidth, rowHeight))
        resize(rowWidth, rowHeight);
}

TVrNum::TVrNum(QWidget* parent)
    : TVrCustomNum(parent)
{
}

void TVrNum::SetDigits(int value)
{
    if (value >= 1 && value <= 15)
        Assign(FDigits, value);
}

void TVrNum::SetValue(int value)
{
    value = std::clamp(value, FMin, FMax);
    if (value == FValue)
        return;
    FValue = value;
    RequestRepaint();
    if (OnChange)
        OnChange(this);
    emit changed();
}

void TVrNum::SetMin(int value)
{
    if (value == FMin || value >= FMax)
        return;
    FMin = value;
    FHasSign = FMin < 0;
    RequestRepaint();
}

void TVrNum::SetMax(int value)
{
    if (value == FMax || value <= FMin)
        return;
    FMax = value;
    RequestRepaint();
}

int TVrNum::RowWidth() const
{
    const int n = FDigits + (FHasSign ? 1 : 0);
    return n * FCellWidth + (n - 1) * Spacing();
}

void TVrNum::Paint()
{
    const int rowWidth = RowWidth();
    AdjustBounds();
    PrepareImage();

    QString text = QString::number(qint64(FValue) < 0 ? -qint64(FValue) : qint64(FValue));
    if (FValue == 0 && FZeroBlank)
        text.clear();
    text = text.rightJustified(FDigits, FLeadingZero ? QLatin1Char('0') : QLatin1Char(' '));

    int x = 0;
    if (FAlignment == naRightJustify)
        x = width() - rowWidth;
    else if (FAlignment == naCenter)
        x = (width() - rowWidth) / 2;
    const int y = (height() - FCellHeight) / 2;
    const int step = FCellWidth + Spacing();
    if (FHasSign) {
        DrawCell(FValue < 0 ? 12 : 11, x, y);
        x += step;
    }
    for (QChar c : text) {
        DrawCell(c == QLatin1Char(' ') ? 10 : c.digitValue(), x, y);
        x += step;
    }
    PresentImage();
}
