#include "meter/meter_decoder.h"
#include "meter/meter_frame.h"
#include "recording_outputs.h"
#include "test_case_name.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <string>
#include <vector>

namespace {

using E = LcdElement;

// Frames are written in fields:
//   mode, unused, "B", main digits, point, voltage digits, point,
//   current digits, point, memory, flags 21..24, "DA".
constexpr const char* kWorkedExample = "0" "0" "0" "1234" "2" "2205" "1" "0518" "2" "07" "5418" "DA";


struct Decoded {
    MeterDecoder decoder;
    RecordingOutputs outputs;

    explicit Decoded(std::string decimal = ".") : decoder(std::move(decimal)) {}

    FrameOutcome feed(const std::string& frame)
    {
        outputs.clearCalls();
        return outputs.apply(decoder.ShowDataQ7(frame, outputs.dial), frame);
    }
    bool shown(E element) const { return decoder.lcd().visible(element); }
    const std::string& caption(E element) const { return decoder.lcd().caption(element); }
};

TEST(MeterDecoder, WorkedExampleDecodesEveryField)
{
    Decoded d;
    ASSERT_EQ(d.feed(kWorkedExample), FrameOutcome::Decoded);

    const MeterReading& r = d.decoder.reading();
    EXPECT_EQ(r.ValueText, "-12.34");
    EXPECT_EQ(r.UnitText, "KW");
    EXPECT_EQ(r.VValueText, "220.5");
    EXPECT_EQ(r.VUnitText, "v");
    EXPECT_EQ(r.IValueText, "05.18");
    EXPECT_EQ(r.IUnitText, "A");
    EXPECT_EQ(d.decoder.MemoryCount(), 7);
    EXPECT_EQ(d.decoder.WholePart(), -12);

    for (E on : {E::Point2, E::LabelF, E::power, E::point33, E::T_Point2, E::Labmax, E::LCDHold,
                 E::ol1, E::kwh, E::LcdAuto, E::kvar1, E::AC, E::rsUSB, E::CONok})
        EXPECT_TRUE(d.shown(on)) << lcdElementName(on);
    for (E off : {E::Point1, E::Point3, E::point11, E::point22, E::T_Point1, E::T_Point3, E::LabFUL,
                  E::Labmin, E::Labclr, E::labMEM, E::ol2, E::ol3, E::wsg, E::danger, E::CONokN,
                  E::kvar, E::hz, E::Lab0, E::cos_dis, E::Image1, E::PEAK, E::THD, E::KW, E::Labtime})
        EXPECT_FALSE(d.shown(off)) << lcdElementName(off);
    EXPECT_EQ(d.caption(E::kwh), "KW");
    EXPECT_EQ(d.caption(E::KVA), "V");
    EXPECT_EQ(d.caption(E::kvar1), "A");
    EXPECT_EQ(d.caption(E::LabelA) + d.caption(E::LabelB) + d.caption(E::LabelC) + d.caption(E::LabelD), "1234");
    EXPECT_EQ(d.caption(E::stor1) + d.caption(E::stor2), "07");
    EXPECT_EQ(d.caption(E::wsg), "\xA1\xC6");

    // First frame after start-up: a unit change to range 0, then the needle,
    // the bar, the record table and the chart, in this order.
    const std::vector<std::string> expected{
        "SelectDialRange(0)", "KDsetup", "SetValueMin(-1000)", "SetValueMax(1000)", "KDrun",
        "PBar2", "INDataToTable(1)", "AddPoint"};
    EXPECT_EQ(d.outputs.calls, expected);
    EXPECT_EQ(d.outputs.needle, 588);
    EXPECT_EQ(d.outputs.barMax, 600);
    EXPECT_EQ(d.outputs.barPosition, 12);
    EXPECT_DOUBLE_EQ(*d.outputs.chartValue, -12.34);
    EXPECT_EQ(d.outputs.frameLog, std::vector<std::string>{kWorkedExample});
}

TEST(MeterDecoder, CommaLocaleSeparatesEveryDisplay)
{
    Decoded d(",");
    ASSERT_EQ(d.feed(kWorkedExample), FrameOutcome::Decoded);
    EXPECT_EQ(d.decoder.reading().ValueText, "-12,34");
    EXPECT_EQ(d.decoder.reading().VValueText, "220,5");
    EXPECT_EQ(d.decoder.reading().IValueText, "05,18");
    EXPECT_EQ(d.decoder.WholePart(), -12);
    EXPECT_DOUBLE_EQ(*d.outputs.chartValue, -12.34);
}

// One frame after an optional earlier one: the reading, needle, bar and chart value.
struct ReadingCase {
    const char* name;
    const char* before;  // fed first, or nullptr
    const char* frame;
    const char* valueText;
    const char* unitText;
    int32_t wholePart;
    std::optional<int32_t> needle;
    int32_t barPosition;
    std::optional<double> chartValue;
};

const ReadingCase kReadingCases[] = {
    // overload: empty, "0", "@", empty; full scale with the sign of the minus bit
    {"overload", nullptr, "0" "0" "0" "1234" "2" "2205" "1" "0518" "2" "07" "0200" "DA",
     "OL", "KW", 0, 1200, 600, 600.0},
    {"negative overload", nullptr, "0" "0" "0" "1234" "2" "2205" "1" "0518" "2" "07" "4200" "DA",
     "OL", "KW", 0, 1200, 600, -600.0},
    {"power factor overload", nullptr, "3" "0" "0" "0950" "3" "2205" "1" "0518" "2" "07" "0200" "DA",
     "OL", "PF", 0, 2000, 1000, 1.0},
    {"negative power factor overload", nullptr, "3" "0" "0" "0950" "3" "2205" "1" "0518" "2" "07" "4200" "DA",
     "OL", "PF", 0, 0, 1000, -1.0},
    {"power factor", nullptr, "3" "0" "0" "0950" "3" "2205" "1" "0518" "2" "07" "0000" "DA",
     "0.950", "PF", 0, 1950, 950, 0.95},
    {"negative power factor", nullptr, "3" "0" "0" "0950" "3" "2205" "1" "0518" "2" "07" "4000" "DA",
     "-0.950", "PF", 0, 50, 1, -0.95},
    // 1.001 x 1000 is 1000.9999999999999 in binary; the needle still gets 1001
    {"power factor above one", nullptr, "3" "0" "0" "1001" "3" "2205" "1" "0518" "2" "07" "0000" "DA",
     "1.001", "PF", 1, 2001, 1001, 1.001},
    {"position 3 B zeroes the main digits", nullptr, "0" "0" "B" "1234" "1" "2205" "1" "0518" "2" "07" "0000" "DA",
     "000.0", "KW", 0, 600, 1, 0.0},
    {"point code 7 keeps the previous value", kWorkedExample, "1" "0" "0" "9876" "7" "2205" "1" "0518" "2" "07" "0000" "DA",
     "-12.34", "KVA", -12, 588, 12, -12.34},
    {"phase angle", nullptr, "4" "0" "0" "0123" "1" "2205" "1" "0518" "2" "07" "4000" "DA",
     "-012.3", "o", -12, 348, 12, -12.3},
    {"frequency", nullptr, "5" "0" "0" "5000" "2" "2205" "1" "0518" "2" "07" "0000" "DA",
     "50.00", "Hz", 50, 650, 50, 50.0},
    {"mode 6 keeps the unit", kWorkedExample, "6" "0" "0" "0042" "0" "2205" "1" "0518" "2" "07" "0000" "DA",
     "0042", "KW", 42, 642, 42, 42.0},
    {"mode 7 hands nothing on", kWorkedExample, "7" "0" "0" "0042" "0" "2205" "1" "0518" "2" "07" "0001" "DA",
     "0042", "KW", 42, std::nullopt, 12, std::nullopt},
    {"mode 7 overload still reads OL", kWorkedExample, "7" "0" "0" "0042" "0" "2205" "1" "0518" "2" "07" "0201" "DA",
     "OL", "KW", 0, std::nullopt, 12, std::nullopt},
};

void PrintTo(const ReadingCase& c, std::ostream* os) { *os << c.name; }

class ReadingTable : public testing::TestWithParam<ReadingCase> {};

TEST_P(ReadingTable, DecodesReadingAndHandsItOn)
{
    const ReadingCase& c = GetParam();
    Decoded d;
    if (c.before) {
        ASSERT_EQ(d.feed(c.before), FrameOutcome::Decoded);
    }
    ASSERT_EQ(d.feed(c.frame), FrameOutcome::Decoded);
    EXPECT_EQ(d.decoder.reading().ValueText, c.valueText);
    EXPECT_EQ(d.decoder.reading().UnitText, c.unitText);
    EXPECT_EQ(d.decoder.WholePart(), c.wholePart);
    EXPECT_EQ(d.outputs.needle, c.needle);
    EXPECT_EQ(d.outputs.barPosition, c.barPosition);
    EXPECT_EQ(d.outputs.chartValue.has_value(), c.chartValue.has_value());
    if (c.chartValue && d.outputs.chartValue) {
        EXPECT_DOUBLE_EQ(*d.outputs.chartValue, *c.chartValue);
    }
    EXPECT_EQ(d.outputs.offered, c.needle ? (c.before ? 2 : 1) : 1);
}

INSTANTIATE_TEST_SUITE_P(Frames, ReadingTable, testing::ValuesIn(kReadingCases), CaseName());

TEST(MeterDecoder, OverloadShowsZeroAndAtInTheMiddleDigits)
{
    Decoded d;
    // main and voltage overloaded; voltage point code 1 adds the separator
    d.feed("0" "0" "0" "1234" "2" "2205" "1" "0518" "2" "07" "0300" "DA");
    EXPECT_EQ(d.caption(E::LabelA), "");
    EXPECT_EQ(d.caption(E::LabelB), "0");
    EXPECT_EQ(d.caption(E::LabelC), "@");
    EXPECT_EQ(d.caption(E::LabelD), "");
    EXPECT_EQ(d.decoder.reading().VValueText, "0@.");
    d.feed("0" "0" "0" "1234" "2" "2205" "0" "0518" "2" "07" "0100" "DA");
    EXPECT_EQ(d.decoder.reading().VValueText, "0@");
    EXPECT_EQ(d.decoder.reading().ValueText, "12.34");
}

TEST(MeterDecoder, MemoryCounterShowsFullFrom99)
{
    Decoded d;
    d.feed("0" "0" "0" "1234" "2" "2205" "1" "0518" "2" "98" "0000" "DA");
    EXPECT_EQ(d.decoder.MemoryCount(), 98);
    EXPECT_FALSE(d.shown(E::LabFUL));
    d.feed("0" "0" "0" "1234" "2" "2205" "1" "0518" "2" "99" "0000" "DA");
    EXPECT_EQ(d.decoder.MemoryCount(), 99);
    EXPECT_TRUE(d.shown(E::LabFUL));
}

TEST(MeterDecoder, UnitChangeRedrawsTheScaleOnlyWhenTheUnitChanges)
{
    Decoded d;
    auto scaleDrawn = [&](const char* frame) {
        d.feed(frame);
        return std::count(d.outputs.calls.begin(), d.outputs.calls.end(), "KDsetup");
    };
    EXPECT_EQ(scaleDrawn("0" "0" "0" "0012" "0" "2205" "1" "0518" "2" "07" "0000" "DA"), 1);
    EXPECT_EQ(scaleDrawn("0" "0" "0" "0013" "0" "2205" "1" "0518" "2" "07" "0000" "DA"), 0);
    EXPECT_EQ(scaleDrawn("1" "0" "0" "0013" "0" "2205" "1" "0518" "2" "07" "0000" "DA"), 1);  // KVA, same range
    EXPECT_EQ(d.outputs.dial.DialStep, 120);
    EXPECT_EQ(scaleDrawn("4" "0" "0" "0013" "0" "2205" "1" "0518" "2" "07" "0000" "DA"), 1);  // degrees
    EXPECT_EQ(d.outputs.dial.DialDivisions, "10");
    EXPECT_EQ(d.outputs.dial.DialCentre, 360);
    EXPECT_EQ(scaleDrawn("6" "0" "0" "0013" "0" "2205" "1" "0518" "2" "07" "0000" "DA"), 0);
}

TEST(MeterDecoder, ModeLabelsFollowTheTable)
{
    Decoded d;
    d.feed("3" "0" "0" "0950" "3" "2205" "1" "0518" "2" "07" "0000" "DA");
    EXPECT_TRUE(d.shown(E::cos_dis));
    EXPECT_TRUE(d.shown(E::Image1));
    EXPECT_FALSE(d.shown(E::AC));
    EXPECT_TRUE(d.decoder.PfMode());

    // mode 4 after mode 3 keeps cos_dis (now empty) and the phi beside the degrees
    d.feed("4" "0" "0" "0123" "1" "2205" "1" "0518" "2" "07" "0000" "DA");
    EXPECT_TRUE(d.shown(E::cos_dis));
    EXPECT_EQ(d.caption(E::cos_dis), "");
    EXPECT_TRUE(d.shown(E::Image1));
    EXPECT_TRUE(d.shown(E::Lab0));
    EXPECT_FALSE(d.decoder.PfMode());

    d.feed("2" "0" "0" "0123" "1" "2205" "1" "0518" "2" "07" "0000" "DA");
    EXPECT_TRUE(d.shown(E::kvar));
    EXPECT_EQ(d.caption(E::kvar), "KVAr");
    EXPECT_FALSE(d.shown(E::kwh));
    EXPECT_EQ(d.caption(E::kwh), "KW");
    EXPECT_FALSE(d.shown(E::cos_dis));
    EXPECT_FALSE(d.shown(E::Image1));
    EXPECT_TRUE(d.shown(E::AC));

    d.feed("5" "0" "0" "5000" "2" "2205" "1" "0518" "2" "07" "0000" "DA");
    EXPECT_TRUE(d.shown(E::hz));
    EXPECT_TRUE(d.shown(E::AC));  // mode 5 leaves the tilde as it was

    // mode 6 hides what the reset hides and leaves hz, cos_dis and AC
    d.feed("6" "0" "0" "5000" "2" "2205" "1" "0518" "2" "07" "0000" "DA");
    for (E off : {E::kwh, E::kvar, E::Lab0, E::kvar1, E::LcdAuto})
        EXPECT_FALSE(d.shown(off)) << lcdElementName(off);
    EXPECT_TRUE(d.shown(E::hz));
    EXPECT_TRUE(d.shown(E::AC));
    EXPECT_EQ(d.decoder.reading().UnitText, "Hz");
}

TEST(MeterDecoder, SumOfPowerModeShowsSigmaW)
{
    Decoded d;
    d.feed("7" "0" "0" "0042" "0" "2205" "1" "0518" "2" "07" "0001" "DA");
    EXPECT_TRUE(d.decoder.SigmaWMode());
    EXPECT_TRUE(d.shown(E::wsg));
    EXPECT_EQ(d.caption(E::wsg), "\xA1\xC6W");
    EXPECT_EQ(d.outputs.offered, 0);
    EXPECT_TRUE(d.outputs.calls.empty());
}

TEST(MeterDecoder, PointCodesFourToNineKeepVoltagePointsButNotCurrentPoints)
{
    Decoded d;
    d.feed(kWorkedExample);
    d.feed("0" "0" "0" "1234" "2" "1111" "5" "2222" "5" "07" "0000" "DA");
    EXPECT_EQ(d.decoder.reading().VValueText, "220.5");
    EXPECT_EQ(d.decoder.reading().IValueText, "05.18");
    EXPECT_TRUE(d.shown(E::point33));
    EXPECT_FALSE(d.shown(E::T_Point2));
    EXPECT_EQ(d.caption(E::LCDAA), "1");
}

TEST(MeterDecoder, AfterAnyFrameTheUnusedAnnunciatorsStayHidden)
{
    Decoded d;
    d.feed(kWorkedExample);
    for (E off : {E::Labcal, E::Labmr, E::RST, E::labelff, E::T_LabelF, E::T_dPoint1, E::Labtime,
                  E::PEAK, E::PEAK1, E::PEAK2, E::THD, E::KW})
        EXPECT_FALSE(d.shown(off)) << lcdElementName(off);
    EXPECT_TRUE(d.shown(E::AC1));
    EXPECT_TRUE(d.shown(E::AC2));
}

TEST(LcdModel, DesignStateShowsEverySegment)
{
    LcdModel lcd;
    for (std::size_t i = 0; i < kLcdElementCount; ++i) {
        const auto element = static_cast<E>(i);
        const bool hidden = element == E::Image1 || element == E::T_dPoint1 || element == E::CONok;
        EXPECT_EQ(lcd.visible(element), !hidden) << lcdElementName(element);
    }
    for (E digit : {E::LabelA, E::LabelD, E::LCDAA, E::H_Time1, E::M_Time2, E::stor1, E::stor2})
        EXPECT_EQ(lcd.caption(digit), "8");
    EXPECT_EQ(lcd.caption(E::Labtime), "Time h:mm:s");
    EXPECT_EQ(lcd.caption(E::kwh), "KWh");
    EXPECT_EQ(lcd.caption(E::kvar), " KVAr");
    EXPECT_EQ(lcd.caption(E::kvar1), "KVAr");
    EXPECT_EQ(lcd.caption(E::KVA), "KVA");
    EXPECT_EQ(lcd.caption(E::wsg), "%W");
}

// Malformed frames are dropped whole: nothing of the state changes.
struct MalformedCase {
    const char* name;
    const char* frame;
};

const MalformedCase kMalformed[] = {
    {"mode code not a digit", "A" "0" "0" "1234" "2" "2205" "1" "0518" "2" "07" "5418" "DA"},
    {"main point code not a digit", "0" "0" "0" "1234" "C" "2205" "1" "0518" "2" "07" "5418" "DA"},
    {"voltage point code not a digit", "0" "0" "0" "1234" "2" "2205" "F" "0518" "2" "07" "5418" "DA"},
    {"current point code not a digit", "0" "0" "0" "1234" "2" "2205" "1" "0518" "B" "07" "5418" "DA"},
    {"memory not decimal", "0" "0" "0" "1234" "2" "2205" "1" "0518" "2" "0A" "5418" "DA"},
    {"lower-case flag nibble", "0" "0" "0" "1234" "2" "2205" "1" "0518" "2" "07" "541a" "DA"},
    {"flag nibble not hex", "0" "0" "0" "1234" "2" "2205" "1" "0518" "2" "07" "G418" "DA"},
    {"main digit E", "0" "0" "0" "12E4" "0" "2205" "1" "0518" "2" "07" "0000" "DA"},
    {"main digit hex", "0" "0" "0" "1A34" "2" "2205" "1" "0518" "2" "07" "0000" "DA"},
    {"voltage digit not hex", "0" "0" "0" "1234" "2" "22x5" "1" "0518" "2" "07" "5418" "DA"},
    {"current digit lower case", "0" "0" "0" "1234" "2" "2205" "1" "05b8" "2" "07" "5418" "DA"},
};

void PrintTo(const MalformedCase& c, std::ostream* os) { *os << c.name; }

class MalformedTable : public testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedTable, IsDroppedWithoutEffect)
{
    Decoded d;
    d.feed(kWorkedExample);
    const LcdModel lcdBefore = d.decoder.lcd();
    const MeterReading readingBefore = d.decoder.reading();
    d.outputs.frameLog.clear();

    EXPECT_EQ(d.feed(GetParam().frame), FrameOutcome::Dropped);
    EXPECT_EQ(d.decoder.droppedFrames(), 1u);
    EXPECT_FALSE(d.decoder.lastDropReason().empty());
    EXPECT_TRUE(d.outputs.calls.empty());
    EXPECT_TRUE(d.outputs.frameLog.empty());
    EXPECT_EQ(d.decoder.reading().ValueText, readingBefore.ValueText);
    EXPECT_EQ(d.decoder.reading().VValueText, readingBefore.VValueText);
    for (std::size_t i = 0; i < kLcdElementCount; ++i) {
        const auto element = static_cast<E>(i);
        EXPECT_EQ(d.decoder.lcd().visible(element), lcdBefore.visible(element)) << lcdElementName(element);
        EXPECT_EQ(d.decoder.lcd().caption(element), lcdBefore.caption(element)) << lcdElementName(element);
    }
}

INSTANTIATE_TEST_SUITE_P(Frames, MalformedTable, testing::ValuesIn(kMalformed), CaseName());

TEST(MeterDecoder, PointCodeKeepingAnOverloadIsDropped)
{
    Decoded d;
    d.feed("0" "0" "0" "1234" "2" "2205" "1" "0518" "2" "07" "0200" "DA");
    ASSERT_EQ(d.decoder.reading().ValueText, "OL");
    EXPECT_EQ(d.feed("0" "0" "0" "1234" "5" "2205" "1" "0518" "2" "07" "0000" "DA"), FrameOutcome::Dropped);
    EXPECT_EQ(d.decoder.reading().ValueText, "OL");
    // still overloaded, nothing is converted: fine
    EXPECT_EQ(d.feed("0" "0" "0" "1234" "5" "2205" "1" "0518" "2" "07" "0200" "DA"), FrameOutcome::Decoded);
    // non-digits in overloaded or zeroed main digits are never converted
    EXPECT_EQ(d.feed("0" "0" "0" "ABCD" "2" "2205" "1" "0518" "2" "07" "0200" "DA"), FrameOutcome::Decoded);
    EXPECT_EQ(d.feed("0" "0" "B" "ABCD" "2" "2205" "1" "0518" "2" "07" "0000" "DA"), FrameOutcome::Decoded);
    EXPECT_EQ(d.decoder.reading().ValueText, "00.00");
}

TEST(MeterDecoder, FrameWithoutClosingDaOnlyResetsTheAnnunciators)
{
    Decoded d;
    EXPECT_EQ(d.feed("000123422205105182075418XX"), FrameOutcome::Unterminated);
    EXPECT_TRUE(d.shown(E::CONok));
    EXPECT_FALSE(d.shown(E::CONokN));
    EXPECT_FALSE(d.shown(E::LcdAuto));
    EXPECT_TRUE(d.shown(E::rsUSB));
    EXPECT_EQ(d.caption(E::LabelA), "8");
    EXPECT_EQ(d.decoder.reading().ValueText, "0000");
    EXPECT_TRUE(d.outputs.calls.empty());
    EXPECT_EQ(d.outputs.frameLog.size(), 1u);
    EXPECT_EQ(d.decoder.droppedFrames(), 0u);
}

TEST(MeterDecoder, NumberConversions)
{
    MeterDecoder decoder(",");
    EXPECT_EQ(decoder.TextToWholeNumber("-12,34"), -12);
    EXPECT_EQ(decoder.TextToWholeNumber("-0,5"), 0);
    EXPECT_EQ(decoder.TextToWholeNumber("0950"), 950);
    EXPECT_EQ(decoder.TextToWholeNumber("OL"), std::nullopt);
    EXPECT_EQ(decoder.TextToWholeNumber("12.34"), std::nullopt);
    EXPECT_EQ(decoder.TextToWholeNumber(""), std::nullopt);
    EXPECT_EQ(decoder.TextToWholeNumber("-"), std::nullopt);
    EXPECT_EQ(MeterDecoder::HexNibbleValue('F'), 15);
    EXPECT_EQ(MeterDecoder::HexNibbleValue('9'), 9);
    EXPECT_EQ(MeterDecoder::HexNibbleValue('f'), std::nullopt);

    MeterDecoder noSeparator("");
    EXPECT_EQ(noSeparator.TextToWholeNumber("1234"), 1234);
}

}  // namespace

namespace {

TEST(MeterFrame, OnlyWholeFramesEndingInDaAreMeterFrames)
{
    const std::pair<const char*, bool> cases[] = {
        {"000123422205105182075418DA", true},
        {"00000000000000000000000XDA", true},   // the digits are the decoder's to check
        {"000123422205105182075418DB", false},
        {"000123422205105182075418AD", false},
        {"00123422205105182075418DA", false},   // 25 characters
        {"0000123422205105182075418DA", false}, // 27 characters
        {"DA", false},
        {"", false},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(isMeterFrame(text), expected) << text;
}

}  // namespace
