#include "meter/ui/lcd_label.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace {

// The bundled segment fonts fill their whole em with a digit; the meter's
// LCD font fills about 70 % of its character height and sits its digits
// on a baseline at 80 % of the label's height.
constexpr qreal kSegmentInk = 0.70;
constexpr qreal kSegmentBaseline = 0.80;
constexpr qreal kPointBaseline = 0.84;
constexpr qreal kPointSize = 0.13;

const QString kSumSign = QString(QChar(0x03A3));

}  // namespace

LcdLabel::LcdLabel(const LcdElementLayout& layout, QWidget* parent) : QWidget(parent), layout_(layout)
{
    setGeometry(layout.geometry);
    const int pixels = isSegment() ? qRound(layout.pixels * kSegmentInk) : layout.pixels;
    font_ = lcdFont(layout.typeface, pixels, layout.bold);

    const QFontMetricsF metrics(font_);
    baseline_ = isSegment() ? layout.geometry.height() * kSegmentBaseline : metrics.ascent();
    if (isSegment()) {
        // Squeeze the wide segment glyphs into the boxes laid out for the
        // narrow LCD font, measured on the caption the box was made for.
        const qreal designWidth =
            metrics.horizontalAdvance(displayText(lcdDesignCaption(layout.element), layout.typeface));
        if (designWidth > layout.geometry.width())
            xScale_ = layout.geometry.width() / designWidth;
    }
    if (layout.colour != QPalette::NoRole) {
        QPalette p = palette();
        p.setColor(QPalette::WindowText, p.color(layout.colour));
        setPalette(p);
    }
    applyCaption(lcdDesignCaption(layout.element));
}

QString LcdLabel::displayText(std::string_view caption, LcdTypeface typeface)
{
    QString text;
    text.reserve(static_cast<qsizetype>(caption.size()));
    for (std::size_t i = 0; i < caption.size(); ++i) {
        const auto byte = static_cast<unsigned char>(caption[i]);
        if (byte == 0xA1 && i + 1 < caption.size() && static_cast<unsigned char>(caption[i + 1]) == 0xC6) {
            text += kSumSign;
            ++i;
            continue;
        }
        QChar c = QChar::fromLatin1(static_cast<char>(byte));
        if (typeface != LcdTypeface::Arial) {
            if (c == u'@' || c == u'}')
                c = u'L';
            else if (c == u'"')
                c = u'H';
        }
        text += c;
    }
    return text;
}

void LcdLabel::setCaption(std::string_view caption)
{
    if (std::string_view(caption_.constData(), static_cast<std::size_t>(caption_.size())) == caption)
        return;
    applyCaption(caption);
}

void LcdLabel::applyCaption(std::string_view caption)
{
    caption_ = QByteArray(caption.data(), static_cast<qsizetype>(caption.size()));
    text_ = displayText(caption, layout_.typeface);
    fitWidth();
    update();
}

void LcdLabel::fitWidth()
{
    // Labels grow with a longer caption unless laid out with a fixed size.
    if (layout_.fixedSize)
        return;
    const qreal needed = QFontMetricsF(font_).horizontalAdvance(text_) * xScale_;
    const int width = std::max(layout_.geometry.width(), static_cast<int>(std::ceil(needed)));
    if (width != this->width())
        resize(width, height());
}

void LcdLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (layout_.opaque)
        painter.fillRect(rect(), Qt::white);
    if (text_.isEmpty())
        return;
    const QColor ink = palette().color(QPalette::WindowText);

    if (isSegment() && text_ == QLatin1String(".")) {
        // The segment fonts draw the point onto the digit before it; a point
        // label of its own gets a square dot sitting on the digits' baseline.
        const qreal side = std::max<qreal>(2.0, layout_.pixels * kSegmentInk * kPointSize);
        const qreal bottom = height() * kPointBaseline;
        painter.fillRect(QRectF((width() - side) / 2, bottom - side, side, side), ink);
        return;
    }

    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(ink);
    painter.setFont(font_);
    painter.translate(0, baseline_);
    painter.scale(xScale_, 1.0);
    painter.drawText(QPointF(0, 0), text_);
}
