#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

/// Every named element of the virtual LCD, in stacking order within each
/// parent (the first lies at the bottom), followed by the two link icons of
/// the dial panel, which the frame decoding switches as well.
enum class LcdElement : uint8_t {
    // annunciators on Panel40
    LcdAuto, LCDHold, Labmr, Labclr, Labcal, Labmax, Labmin, ol1, ol2, ol3, rsUSB, wsg,
    power, RST, danger, THD, PEAK1, kvar1, KW, PEAK2, KVA, Lab0, hz, PEAK, kvar, kwh,
    // main display on MainDigitsPanel
    LabelA, LabelB, Point1, LabelC, Point2, Point3, LabelD, LabelF, cos_dis, AC, Image1,
    // voltage display on Panel8
    LCDAA, point33, LCDBB, LCDDD, point11, labelff, LCDCC, point22, AC1,
    // current display on Panel6
    H_Time1, T_Point3, H_Time2, T_dPoint1, M_Time2, T_Point1, T_LabelF, M_Time1, T_Point2,
    Labtime, AC2,
    // memory counter on Panel5
    LabFUL, stor1, stor2, labMEM,
    // link indicator on the dial panel
    CONok, CONokN,
};

inline constexpr std::size_t kLcdElementCount = static_cast<std::size_t>(LcdElement::CONokN) + 1;

enum class LcdElementKind : uint8_t { Label, Picture };

/// Object name of the element, as the window's layout names it.
std::string_view lcdElementName(LcdElement element);

/// Labels carry a caption; pictures only a visibility.
LcdElementKind lcdElementKind(LcdElement element);

/// Caption the element has when the window opens (empty for pictures).
std::string_view lcdDesignCaption(LcdElement element);

constexpr std::size_t lcdIndex(LcdElement element) { return static_cast<std::size_t>(element); }
