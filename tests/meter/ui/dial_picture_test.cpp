#include "meter/analog_dial.h"
#include "meter/ui/dial_picture.h"
#include "snapshot.h"

#include <gtest/gtest.h>

namespace {

bool isBlack(const QImage& image, int x, int y) { return image.pixel(x, y) == qRgb(0, 0, 0); }
bool isWhite(const QImage& image, int x, int y) { return image.pixel(x, y) == qRgb(255, 255, 255); }

TEST(DialPicture, NeedleIsDrawnBlackAndErasedWhite)
{
    DialPicture picture;
    picture.resize(365, 149);
    AnalogDial dial;
    dial.keepDrawings(true);
    dial.KDsetup();
    dial.KDrun(dial.range().DialCentre);
    picture.draw(dial.takeDrawings());

    const QImage& image = picture.picture();
    ASSERT_EQ(image.size(), QSize(365, 149));
    // the upright needle runs from (185, 34) down to (184, 403)
    EXPECT_TRUE(isBlack(image, 185, 60));
    EXPECT_TRUE(isBlack(image, 185, 140));
    EXPECT_TRUE(isWhite(image, 150, 100));
    // the band's top, under the needle's tip
    EXPECT_TRUE(isBlack(image, 186, 28));

    dial.KDrun(0);
    picture.draw(dial.takeDrawings());
    EXPECT_TRUE(isWhite(picture.picture(), 185, 60));
    // the white line also cut the band where the old needle crossed it
    EXPECT_TRUE(isWhite(picture.picture(), 185, 34));
    EXPECT_TRUE(isBlack(picture.picture(), 30, 132));
}

TEST(DialPicture, EachRangeLooksRight)
{
    for (int type : {0, 1, 3}) {
        DialPicture picture;
        picture.resize(365, 149);
        AnalogDial dial;
        dial.keepDrawings(true);
        dial.SelectDialRange(type);
        dial.KDsetup();
        dial.KDrun(dial.range().DialCentre + dial.range().DialStep);
        picture.draw(dial.takeDrawings());
        EXPECT_FALSE(picture.picture().isNull());
        saveSnapshot(picture, QStringLiteral("dial-range-%1").arg(type));
    }
}

TEST(AnalogDial, HeadlessDialKeepsNoDrawings)
{
    AnalogDial dial;
    dial.KDsetup();
    dial.KDrun(600);
    EXPECT_TRUE(dial.takeDrawings().empty());
    EXPECT_EQ(dial.LastNeedleTip(), (DialPoint{185, 34}));
    EXPECT_EQ(dial.LastNeedleBase(), (DialPoint{184, 403}));
    EXPECT_EQ(dial.needleValue(), 600);
    EXPECT_EQ(dial.scaleDrawings(), 1);
}

}  // namespace
