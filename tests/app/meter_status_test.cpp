#include "app/meter_status.h"
#include "link/hid/hid_manual_dispatcher.h"
#include "link/hid/hid_sim_platform.h"

#include <gtest/gtest.h>

#include <ostream>

// Found by argument-dependent lookup, so beside QString.
static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(MeterStatus, LinkField)
{
    const Clock::time_point frame = Clock::now();
    const struct {
        bool connected;
        std::optional<Clock::time_point> lastFrame;
        Clock::duration since;
        const char* text;
    } cases[] = {
        {false, std::nullopt, 0s, "Not connected"},
        {false, frame, 0s, "Not connected"},
        {true, std::nullopt, 0s, "Connected, no frame yet"},
        {true, frame, 0s, "Connected, reading"},
        {true, frame, 1999ms, "Connected, reading"},
        {true, frame, 2000ms, "Connected, no frame for 2 s"},
        {true, frame, 75'900ms, "Connected, no frame for 75 s"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(linkStatus(c.connected, c.lastFrame, frame + c.since), QString::fromLatin1(c.text)) << c.text;
}

TEST(MeterStatus, RowsRuleJournalAndLastRowFields)
{
    const struct {
        std::size_t rows;
        int32_t limit;
        bool reached;
        const char* text;
    } rows[] = {
        {0, 10000, false, "Rows 0 / 10000"},
        {123, 1000, false, "Rows 123 / 1000"},
        {123, RecordSampling::limitOf(RecordSampling::LimitItem::setlimit), false, "Rows 123 / Limitless"},
        {10000, 10000, true, "Record limit 10000 reached: recording stopped"},
        {4000, 1000, true, "Record limit 1000 reached: recording stopped"},  // the limit lowered below the rows
    };
    for (const auto& c : rows)
        EXPECT_EQ(rowsStatus(c.rows, c.limit, c.reached), QString::fromLatin1(c.text)) << c.text;

    const struct {
        bool repeat;
        bool interval;
        const char* intervalText;
        const char* text;
    } rules[] = {
        {true, false, "10", "Repeat on, interval off"},
        {false, false, "abc", "Repeat off, interval off"},
        {true, true, "10", "Repeat on, interval 10 s"},
        {false, true, "007", "Repeat off, interval 7 s"},
        {true, true, "", "Repeat on, interval 0 s"},
        {true, true, "abc", "Repeat on, interval 'abc' is no number"},
    };
    for (const auto& c : rules)
        EXPECT_EQ(ruleStatus(c.repeat, c.interval, c.intervalText), QString::fromLatin1(c.text)) << c.text;

    using Kind = MeterSession::JournalState::Kind;
    const struct {
        MeterSession::JournalState journal;
        const char* text;
    } journals[] = {
        {{Kind::Off, "", ""}, "Journal off"},
        {{Kind::Writing, "/home/me/.local/share/zqmeter/journal-1.zqj", ""}, "Journal: journal-1.zqj"},
        {{Kind::Failed, "/full/journal-1.zqj", "No space left on device"}, "Journal failed: No space left on device"},
    };
    for (const auto& c : journals)
        EXPECT_EQ(journalStatus(c.journal), QString::fromLatin1(c.text)) << c.text;

    EXPECT_EQ(lastRowStatus(std::string("13:05:09")), QStringLiteral("Last row 13:05:09"));
    EXPECT_EQ(lastRowStatus(std::nullopt), QStringLiteral("Last row \u2014"));
    EXPECT_EQ(lastRowStatus(std::string()), QStringLiteral("Last row \u2014"));
}

// A session on a simulated cable, as the window renders it: every field
// follows the units' own state.
TEST(MeterStatus, FollowsTheSession)
{
    auto platform = std::make_shared<THidSimPlatform>();
    THidSimDevice cable;
    cable.VendorID = 0x1A86;
    cable.ProductID = 0xE008;
    cable.ProductString = u"USB to Serial";
    platform->Plug(cable);
    THidManualDispatcher dispatcher;
    MeterSession session;
    ASSERT_EQ(session.startHid(platform, dispatcher), "");
    session.FormCreate(".");
    session.setTimeOfDay([] { return 13 * 3600 + 5 * 60 + 9; });

    MeterStatus status = meterStatus(session, Clock::now());
    EXPECT_EQ(status, (MeterStatus{"Not connected", "Rows 0 / 10000", false, "Repeat on, interval off",
                                   "Journal off", "", false, QStringLiteral("Last row \u2014")}));

    session.link().Panel2Click(CableConnection::kPortUsb);
    ASSERT_TRUE(session.link().connected());
    EXPECT_EQ(meterStatus(session, Clock::now()).link, QStringLiteral("Connected, no frame yet"));

    session.sampling().setRecordLimit(2);
    for (int i = 0; i < 3; ++i)
        session.ShowDataQ7("000123422205105182075418DA");
    ASSERT_TRUE(session.lastFrameAt());
    status = meterStatus(session, *session.lastFrameAt() + 500ms);
    EXPECT_EQ(status.link, QStringLiteral("Connected, reading"));
    EXPECT_EQ(status.rows, QStringLiteral("Record limit 2 reached: recording stopped"));
    EXPECT_TRUE(status.limitReached);
    EXPECT_EQ(status.lastRow, QStringLiteral("Last row 13:05:09"));
    EXPECT_EQ(meterStatus(session, *session.lastFrameAt() + 5s).link, QStringLiteral("Connected, no frame for 5 s"));

    session.sampling().setlimitClick();
    session.sampling().setRepeatSet(false);
    session.sampling().setRecordSI(true);
    status = meterStatus(session, Clock::now());
    EXPECT_EQ(status.rows, QStringLiteral("Rows 2 / Limitless"));
    EXPECT_FALSE(status.limitReached);
    EXPECT_EQ(status.rule, QStringLiteral("Repeat off, interval 10 s"));

    session.link().Panel2Click(CableConnection::kPortUsb);
    EXPECT_EQ(meterStatus(session, Clock::now()).link, QStringLiteral("Not connected"));
}

}  // namespace
