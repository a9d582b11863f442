#include "meter/lcd_element.h"

#include <array>

namespace {

struct LcdElementRow {
    std::string_view name;
    LcdElementKind kind;
    std::string_view caption;
};

constexpr LcdElementKind L = LcdElementKind::Label;
constexpr LcdElementKind P = LcdElementKind::Picture;

// Captions are bytes of the system code page: B0 is the degree sign; the
// double quote is the HOLD symbol and "}" the phase mark of the LCD font.
constexpr std::array<LcdElementRow, kLcdElementCount> kLcdElements{{
    {"LcdAuto", L, "AUTO"},
    {"LCDHold", L, "\""},
    {"Labmr", L, "MR"},
    {"Labclr", L, "CLR"},
    {"Labcal", L, "CAL"},
    {"Labmax", L, "MAX"},
    {"Labmin", L, "MIN"},
    {"ol1", L, "}  1"},
    {"ol2", L, "}   2"},
    {"ol3", L, "}   3"},
    {"rsUSB", L, "USB"},
    {"wsg", L, "%W"},
    {"power", P, ""},
    {"RST", P, ""},
    {"danger", P, ""},
    {"THD", L, "%THD"},
    {"PEAK1", L, "PEAK1"},
    {"kvar1", L, "KVAr"},
    {"KW", L, "KW"},
    {"PEAK2", L, "PEAK"},
    {"KVA", L, "KVA"},
    {"Lab0", L, "\xB0"},
    {"hz", L, "Hz"},
    {"PEAK", L, "PEAK"},
    {"kvar", L, " KVAr"},
    {"kwh", L, "KWh"},
    {"LabelA", L, "8"},
    {"LabelB", L, "8"},
    {"Point1", L, "."},
    {"LabelC", L, "8"},
    {"Point2", L, "."},
    {"Point3", L, "."},
    {"LabelD", L, "8"},
    {"LabelF", L, "-"},
    {"cos_dis", L, "Cos"},
    {"AC", P, ""},
    {"Image1", P, ""},
    {"LCDAA", L, "8"},
    {"point33", L, "."},
    {"LCDBB", L, "8"},
    {"LCDDD", L, "8"},
    {"point11", L, "."},
    {"labelff", L, "-"},
    {"LCDCC", L, "8"},
    {"point22", L, "."},
    {"AC1", P, ""},
    {"H_Time1", L, "8"},
    {"T_Point3", L, "."},
    {"H_Time2", L, "8"},
    {"T_dPoint1", L, ":"},
    {"M_Time2", L, "8"},
    {"T_Point1", L, "."},
    {"T_LabelF", L, "-"},
    {"M_Time1", L, "8"},
    {"T_Point2", L, "."},
    {"Labtime", L, "Time h:mm:s"},
    {"AC2", P, ""},
    {"LabFUL", L, "FUL"},
    {"stor1", L, "8"},
    {"stor2", L, "8"},
    {"labMEM", L, "MEM"},
    {"CONok", P, ""},
    {"CONokN", P, ""},
}};

}  // namespace

std::string_view lcdElementName(LcdElement element) { return kLcdElements[lcdIndex(element)].name; }

LcdElementKind lcdElementKind(LcdElement element) { return kLcdElements[lcdIndex(element)].kind; }

std::string_view lcdDesignCaption(LcdElement element) { return kLcdElements[lcdIndex(element)].caption; }
