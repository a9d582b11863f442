#include "meter/ui/lcd_layout.h"

#include <array>

namespace {

using E = LcdElement;
using P = LcdParent;
constexpr LcdTypeface S7 = LcdTypeface::Segment7;
constexpr LcdTypeface S14 = LcdTypeface::Segment14;
constexpr LcdTypeface AR = LcdTypeface::Arial;
constexpr QPalette::ColorRole BLACK = QPalette::NoRole;
constexpr QPalette::ColorRole TEXT = QPalette::WindowText;
constexpr QPalette::ColorRole BTEXT = QPalette::ButtonText;

constexpr std::array<LcdSubPanelLayout, 4> kSubPanels{{
    {P::MainDigitsPanel, "MainDigitsPanel", {8, 88, 281, 97}},
    {P::Panel8, "Panel8", {8, 208, 131, 63}},
    {P::Panel6, "Panel6", {173, 192, 137, 81}},
    {P::Panel5, "Panel5", {8, 40, 97, 41}},
}};

constexpr LcdElementLayout label(E e, P parent, QRect r, LcdTypeface face, int px, bool bold,
                                 QPalette::ColorRole colour, bool opaque = false, bool fixed = false)
{
    return {e, parent, r, face, px, bold, colour, opaque, fixed, nullptr};
}

constexpr LcdElementLayout picture(E e, P parent, QRect r, const char* svg)
{
    return {e, parent, r, AR, 0, false, BLACK, false, true, svg};
}

constexpr const char* kTilde = ":/pictures/tilde.svg";

const std::array<LcdElementLayout, 61> kElements{{
    label(E::LcdAuto, P::Panel40, {8, 190, 58, 21}, S14, 19, true, BLACK),
    label(E::LCDHold, P::Panel40, {184, -3, 19, 39}, S7, 35, false, BLACK),
    label(E::Labmr, P::Panel40, {104, 44, 25, 19}, AR, 16, true, TEXT),
    label(E::Labclr, P::Panel40, {104, 60, 34, 19}, AR, 16, true, TEXT),
    label(E::Labcal, P::Panel40, {64, 12, 39, 24}, AR, 20, true, TEXT),
    label(E::Labmax, P::Panel40, {68, 188, 43, 24}, AR, 20, true, TEXT),
    label(E::Labmin, P::Panel40, {116, 188, 36, 24}, AR, 20, true, TEXT),
    label(E::ol1, P::Panel40, {152, 56, 30, 22}, S14, 20, true, TEXT),
    label(E::ol2, P::Panel40, {192, 56, 37, 22}, S14, 20, true, TEXT),
    label(E::ol3, P::Panel40, {236, 56, 32, 21}, S14, 19, true, TEXT),
    label(E::rsUSB, P::Panel40, {120, 12, 40, 22}, AR, 19, true, BLACK),
    label(E::wsg, P::Panel40, {284, 56, 35, 22}, S14, 20, true, TEXT, true),
    picture(E::power, P::Panel40, {288, 4, 32, 29}, ":/pictures/battery.svg"),
    picture(E::RST, P::Panel40, {232, 8, 32, 32}, ":/pictures/rst.svg"),
    picture(E::danger, P::Panel40, {20, 12, 21, 29}, ":/pictures/danger.svg"),
    label(E::THD, P::Panel40, {313, 218, 32, 15}, AR, 12, true, TEXT, true),
    label(E::PEAK1, P::Panel40, {310, 232, 38, 15}, AR, 12, true, TEXT, true),
    label(E::kvar1, P::Panel40, {312, 245, 28, 15}, AR, 12, true, BTEXT),
    label(E::KW, P::Panel40, {144, 218, 20, 15}, AR, 12, true, TEXT, true),
    label(E::PEAK2, P::Panel40, {140, 232, 30, 15}, AR, 12, true, TEXT, true, true),
    label(E::KVA, P::Panel40, {144, 245, 24, 15}, AR, 12, true, TEXT, true, true),
    label(E::Lab0, P::Panel40, {292, 84, 13, 37}, AR, 32, true, BLACK),
    label(E::hz, P::Panel40, {305, 97, 23, 22}, AR, 19, true, BTEXT),
    label(E::PEAK, P::Panel40, {293, 116, 53, 22}, AR, 19, true, TEXT),
    label(E::kvar, P::Panel40, {288, 136, 52, 22}, AR, 19, true, BTEXT),
    label(E::kwh, P::Panel40, {292, 157, 43, 22}, AR, 19, true, BTEXT),

    label(E::LabelA, P::MainDigitsPanel, {44, -24, 48, 142}, S7, 127, false, TEXT),
    label(E::LabelB, P::MainDigitsPanel, {104, -24, 48, 142}, S7, 127, false, TEXT),
    label(E::Point1, P::MainDigitsPanel, {92, 28, 12, 72}, S7, 64, false, TEXT),
    label(E::LabelC, P::MainDigitsPanel, {164, -24, 48, 142}, S7, 127, false, TEXT),
    label(E::Point2, P::MainDigitsPanel, {152, 28, 12, 72}, S7, 64, false, TEXT),
    label(E::Point3, P::MainDigitsPanel, {212, 28, 12, 72}, S7, 64, false, TEXT),
    label(E::LabelD, P::MainDigitsPanel, {224, -24, 48, 142}, S7, 127, false, TEXT),
    label(E::LabelF, P::MainDigitsPanel, {4, -4, 28, 107}, S7, 96, false, TEXT),
    label(E::cos_dis, P::MainDigitsPanel, {0, 64, 31, 19}, AR, 16, true, TEXT, true),
    picture(E::AC, P::MainDigitsPanel, {0, 15, 33, 25}, kTilde),
    picture(E::Image1, P::MainDigitsPanel, {32, 69, 17, 20}, ":/pictures/phi.svg"),

    label(E::LCDAA, P::Panel8, {25, 0, 21, 63}, S7, 56, false, TEXT),
    label(E::point33, P::Panel8, {102, 8, 9, 53}, S7, 48, false, TEXT),
    label(E::LCDBB, P::Panel8, {53, 0, 21, 63}, S7, 56, false, TEXT),
    label(E::LCDDD, P::Panel8, {110, 0, 21, 63}, S7, 56, false, TEXT),
    label(E::point11, P::Panel8, {45, 8, 9, 53}, S7, 48, false, TEXT),
    label(E::labelff, P::Panel8, {5, 1, 17, 49}, S7, 56, false, BTEXT, false, true),
    label(E::LCDCC, P::Panel8, {82, 0, 21, 63}, S7, 56, false, TEXT),
    label(E::point22, P::Panel8, {73, 6, 9, 53}, S7, 48, false, TEXT),
    picture(E::AC1, P::Panel8, {0, 6, 25, 25}, kTilde),

    label(E::H_Time1, P::Panel6, {25, 17, 21, 63}, S7, 56, false, TEXT),
    label(E::T_Point3, P::Panel6, {104, 20, 9, 53}, S7, 48, false, TEXT),
    label(E::H_Time2, P::Panel6, {53, 17, 21, 63}, S7, 56, false, TEXT),
    label(E::T_dPoint1, P::Panel6, {71, 24, 13, 53}, S14, 48, false, BTEXT),
    label(E::M_Time2, P::Panel6, {113, 17, 21, 63}, S7, 56, false, TEXT),
    label(E::T_Point1, P::Panel6, {45, 20, 9, 53}, S7, 48, false, TEXT),
    label(E::T_LabelF, P::Panel6, {8, 20, 17, 63}, S7, 56, false, BTEXT, false, true),
    label(E::M_Time1, P::Panel6, {83, 17, 21, 63}, S7, 56, false, TEXT),
    label(E::T_Point2, P::Panel6, {74, 20, 9, 53}, S7, 48, false, TEXT),
    label(E::Labtime, P::Panel6, {8, -4, 122, 22}, AR, 19, true, TEXT),
    picture(E::AC2, P::Panel6, {1, 23, 24, 25}, kTilde),

    label(E::LabFUL, P::Panel5, {8, 4, 27, 16}, AR, 14, true, TEXT, true),
    label(E::stor1, P::Panel5, {46, -8, 18, 53}, S7, 48, false, BTEXT),
    label(E::stor2, P::Panel5, {66, -8, 18, 53}, S7, 48, false, TEXT),
    label(E::labMEM, P::Panel5, {0, 20, 35, 16}, AR, 14, true, TEXT),
}};

}  // namespace

std::span<const LcdSubPanelLayout> lcdSubPanels() { return kSubPanels; }

std::span<const LcdElementLayout> lcdElementLayouts() { return kElements; }
