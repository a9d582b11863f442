#include "meter/ui/digit_key_filter.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct KeyCase {
    const char* name;
    int key;
    Qt::KeyboardModifiers modifiers;
    QString text;
    bool dropped;
};

const KeyCase kKeys[] = {
    {"digit", Qt::Key_7, Qt::NoModifier, QStringLiteral("7"), false},
    {"keypad digit", Qt::Key_7, Qt::KeypadModifier, QStringLiteral("7"), false},
    {"letter", Qt::Key_A, Qt::NoModifier, QStringLiteral("a"), true},
    {"minus", Qt::Key_Minus, Qt::NoModifier, QStringLiteral("-"), true},
    {"blank", Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true},
    {"Latin-1 letter", Qt::Key_Eacute, Qt::NoModifier, QStringLiteral("\u00E9"), true},
    {"letter above U+00FF", Qt::Key_unknown, Qt::NoModifier, QStringLiteral("\u0416"), true},
    {"digit of another script", Qt::Key_unknown, Qt::NoModifier, QStringLiteral("\u0663"), true},
    {"Tab", Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"), false},
    {"Return", Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), false},
    {"Esc", Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"), false},
    {"Delete", Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"), false},
    {"Backspace", Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"), false},
    {"arrow", Qt::Key_Left, Qt::NoModifier, QString(), false},
    {"paste shortcut", Qt::Key_V, Qt::ControlModifier, QStringLiteral("\x16"), false},
    {"menu accelerator", Qt::Key_R, Qt::AltModifier, QStringLiteral("r"), false},
};

TEST(DigitKeyFilter, DropsOnlyPrintableCharactersThatAreNoDigits)
{
    for (const KeyCase& c : kKeys) {
        const QKeyEvent event(QEvent::KeyPress, c.key, c.modifiers, c.text);
        EXPECT_EQ(DigitKeyFilter::drops(event), c.dropped) << c.name;
    }
}

TEST(DigitKeyFilter, AnEditKeepsTheDigitsAndItsEditingKeys)
{
    QLineEdit edit;
    DigitKeyFilter filter;
    edit.installEventFilter(&filter);
    QTest::keyClicks(&edit, QStringLiteral("1a2-3 .x"));
    QTest::sendKeyEvent(QTest::Click, &edit, Qt::Key_unknown, QStringLiteral("\u0416"), Qt::NoModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("123"));
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), QStringLiteral("12"));
    QTest::keyClick(&edit, Qt::Key_Left);
    QTest::keyClicks(&edit, QStringLiteral("9"));
    EXPECT_EQ(edit.text(), QStringLiteral("192"));
    QTest::keyClick(&edit, Qt::Key_Delete);
    EXPECT_EQ(edit.text(), QStringLiteral("19"));
    QTest::keyClick(&edit, Qt::Key_Home);
    QTest::keyClick(&edit, Qt::Key_Delete);
    EXPECT_EQ(edit.text(), QStringLiteral("9"));
}

}  // namespace
