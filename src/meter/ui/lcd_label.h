#pragma once

#include "meter/ui/lcd_layout.h"

#include <QByteArray>
#include <QFont>
#include <QWidget>

#include <string_view>

/// One label of the virtual LCD. Its caption is kept as the model's bytes;
/// only painting turns them into glyphs. In the segment typefaces a few
/// characters of the meter's own LCD font have no glyph and are drawn as
/// what the meter shows: "@" (second half of the overload "0@") as the
/// segment letter L, the double quote (HOLD) as H, "}" (phase mark) as L,
/// the bytes A1 C6 as the sum sign, and "." as a decimal point of its own.
class LcdLabel : public QWidget {
    Q_OBJECT
public:
    LcdLabel(const LcdElementLayout& layout, QWidget* parent);

    void setCaption(std::string_view caption);
    QByteArray caption() const { return caption_; }

    /// The text as painted, after the glyph mapping.
    QString paintedText() const { return text_; }
    /// The font the caption is painted in.
    QFont paintFont() const { return font_; }

    /// Maps caption bytes (system code page) to the text a typeface paints.
    static QString displayText(std::string_view caption, LcdTypeface typeface);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool isSegment() const { return layout_.typeface != LcdTypeface::Arial; }
    void applyCaption(std::string_view caption);
    void fitWidth();

    LcdElementLayout layout_;
    QByteArray caption_;
    QString text_;
    QFont font_;
    qreal xScale_ = 1.0;
    qreal baseline_ = 0.0;
};
