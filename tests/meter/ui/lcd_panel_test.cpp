#include "meter/meter_decoder.h"
#include "meter/ui/lcd_fonts.h"
#include "meter/ui/lcd_label.h"
#include "meter/ui/lcd_panel.h"
#include "snapshot.h"

#include <QFontInfo>
#include <QImage>

#include <gtest/gtest.h>

namespace {

// Dark pixels inside a rectangle of a grabbed image.
int darkPixels(const QImage& image, const QRect& area)
{
    int dark = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.valid(x, y) && qGray(image.pixel(x, y)) < 96)
                ++dark;
    return dark;
}

TEST(LcdPanel, SegmentFontsAreBundledAndUsed)
{
    ASSERT_TRUE(loadLcdFonts());
    LcdPanel panel;
    const QFontInfo digit(panel.label(LcdElement::LabelA)->paintFont());
    EXPECT_EQ(digit.family(), QStringLiteral("DSEG7 Classic"));
    const QFontInfo autoLabel(panel.label(LcdElement::LcdAuto)->paintFont());
    EXPECT_EQ(autoLabel.family(), QStringLiteral("DSEG14 Classic"));

    // The design-state "8" of LabelA is drawn: its box is inked, and the two
    // holes of the eight stay white.
    const QImage image = panel.grab().toImage();
    const QWidget* labelA = panel.element(LcdElement::LabelA);
    const QRect box(labelA->mapTo(&panel, QPoint(0, 0)), labelA->size());
    EXPECT_GT(darkPixels(image, box.intersected(panel.rect())), 500);
    saveSnapshot(panel, QStringLiteral("lcd-design"));
}

TEST(LcdPanel, DesignStateShowsAllButPhiAndColon)
{
    LcdPanel panel;
    for (std::size_t i = 0; i < kLcdElementCount; ++i) {
        const auto element = static_cast<LcdElement>(i);
        const QWidget* widget = panel.element(element);
        if (element == LcdElement::CONok || element == LcdElement::CONokN) {
            EXPECT_EQ(widget, nullptr);
            continue;
        }
        ASSERT_NE(widget, nullptr) << lcdElementName(element);
        const bool hidden = element == LcdElement::Image1 || element == LcdElement::T_dPoint1;
        EXPECT_EQ(widget->isHidden(), hidden) << lcdElementName(element);
        EXPECT_EQ(widget->objectName().toStdString(), lcdElementName(element));
    }
    EXPECT_EQ(panel.geometry(), QRect(4, 36, 357, 275));
    EXPECT_EQ(panel.element(LcdElement::LabelA)->geometry(), QRect(44, -24, 48, 142));
    EXPECT_EQ(panel.element(LcdElement::LabelA)->parentWidget()->objectName(), QStringLiteral("MainDigitsPanel"));
    EXPECT_EQ(panel.element(LcdElement::labMEM)->parentWidget()->objectName(), QStringLiteral("Panel5"));
}

TEST(LcdPanel, PaintingMapsTheMeterGlyphs)
{
    EXPECT_EQ(LcdLabel::displayText("0@", LcdTypeface::Segment7), QStringLiteral("0L"));
    EXPECT_EQ(LcdLabel::displayText("\"", LcdTypeface::Segment7), QStringLiteral("H"));
    EXPECT_EQ(LcdLabel::displayText("}  1", LcdTypeface::Segment14), QStringLiteral("L  1"));
    EXPECT_EQ(LcdLabel::displayText("\xA1\xC6W", LcdTypeface::Segment14), QString(QChar(0x03A3)) + u'W');
    EXPECT_EQ(LcdLabel::displayText("\xB0", LcdTypeface::Arial), QString(QChar(0xB0)));
}

TEST(LcdPanel, RendersADecodedFrame)
{
    const DialRange dial;
    MeterDecoder decoder(".");
    LcdPanel panel;
    decoder.ShowDataQ7("000123422205105182075418DA", dial);
    panel.render(decoder.lcd(), decoder.lcd().takeChanges());
    EXPECT_EQ(panel.label(LcdElement::LabelC)->caption(), QByteArray("3"));
    EXPECT_EQ(panel.label(LcdElement::kwh)->caption(), QByteArray("KW"));
    EXPECT_FALSE(panel.element(LcdElement::Point2)->isHidden());
    EXPECT_TRUE(panel.element(LcdElement::Point1)->isHidden());
    EXPECT_TRUE(panel.element(LcdElement::Labtime)->isHidden());
    saveSnapshot(panel, QStringLiteral("lcd-worked-example"));

    decoder.ShowDataQ7("300095032301104122990321DA", dial);
    panel.render(decoder.lcd(), decoder.lcd().takeChanges());
    EXPECT_EQ(panel.label(LcdElement::LabelB)->paintedText(), QStringLiteral("0"));
    EXPECT_EQ(panel.label(LcdElement::LabelC)->paintedText(), QStringLiteral("L"));
    EXPECT_FALSE(panel.element(LcdElement::Image1)->isHidden());
    saveSnapshot(panel, QStringLiteral("lcd-power-factor-overload"));
}

}  // namespace
