#include "app/ui/frm_about.h"
#include "app/ui/main_window.h"
#include "snapshot.h"
#include "test_case_name.h"

#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct ClickCase {
    const char* name;  // the control clicked; "FrmAbout" for the window itself
    QPoint at;         // where, in the control
    bool closes;
};

const ClickCase kClicks[] = {
    {"Label1", {20, 90}, true},
    {"Image1", {14, 14}, false},  // the registered mark lies over the brand
    {"Label2", {20, 9}, true},
    {"Image2", {70, 50}, true},
    {"StaticText1", {20, 11}, true},
    {"StaticText3", {20, 14}, false},  // the web address
    {"StaticText2", {20, 9}, true},
    {"StaticText4", {20, 14}, false},  // "Web:"
    {"FrmAbout", {419, 130}, true},    // a bare spot of the window
};

void PrintTo(const ClickCase& c, std::ostream* os) { *os << c.name; }

class AboutClicks : public testing::TestWithParam<ClickCase> {};

TEST_P(AboutClicks, CloseTheWindowOrNot)
{
    TFrmAbout about;
    about.show();
    ASSERT_TRUE(about.isVisible());
    QWidget* target = GetParam().name == std::string_view("FrmAbout")
                          ? &about
                          : about.findChild<QWidget*>(QString::fromLatin1(GetParam().name));
    ASSERT_NE(target, nullptr);
    QTest::mouseClick(target, Qt::LeftButton, {}, GetParam().at);
    EXPECT_EQ(!about.isVisible(), GetParam().closes);
}

INSTANTIATE_TEST_SUITE_P(Clicks, AboutClicks, testing::ValuesIn(kClicks), CaseName());

TEST(FrmAbout, IsLaidOut)
{
    TFrmTest window;
    TFrmAbout* about = window.aboutWindow();
    ASSERT_NE(about, nullptr);
    EXPECT_FALSE(about->isVisible());  // created hidden with the main window
    EXPECT_EQ(about->parentWidget(), &window);
    EXPECT_EQ(about->windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(about->size(), QSize(421, 228));
    EXPECT_EQ(about->minimumSize(), about->maximumSize());
    EXPECT_FALSE(about->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(about->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_NEAR(about->windowOpacity(), 230.0 / 255.0, 0.01);

    const std::tuple<const char*, QRect> geometries[] = {
        {"Label1", {0, 0, 281, 111}},        {"Image1", {240, 76, 29, 29}},     {"Label2", {8, 117, 390, 18}},
        {"Image2", {276, 12, 141, 101}},     {"StaticText1", {8, 148, 410, 22}}, {"StaticText3", {60, 176, 268, 28}},
        {"StaticText2", {4, 204, 403, 19}},  {"StaticText4", {4, 176, 56, 28}},
    };
    for (const auto& [name, geometry] : geometries) {
        const auto* widget = about->findChild<QWidget*>(QString::fromLatin1(name));
        ASSERT_NE(widget, nullptr) << name;
        EXPECT_EQ(widget->geometry(), geometry) << name;
    }
    const auto* version = about->findChild<QLabel*>(QStringLiteral("StaticText1"));
    EXPECT_EQ(version->text(), QStringLiteral("Version No. :  1.0.0        Meter No.: ZQ7/ZQ8/ZQ9") + QString(10, u' '));
    EXPECT_EQ(about->findChild<QLabel*>(QStringLiteral("StaticText4"))->text(), QStringLiteral("Web:"));
    EXPECT_EQ(about->findChild<QLabel*>(QStringLiteral("Label1"))->text(), QStringLiteral("zqmeter"));
    EXPECT_EQ(about->findChild<QWidget*>(QStringLiteral("StaticText3"))->cursor().shape(), Qt::PointingHandCursor);

    about->show();
    saveSnapshot(*about, QStringLiteral("about-window"));
}

}  // namespace
