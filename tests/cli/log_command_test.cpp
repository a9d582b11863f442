// zqmeter-cli log in process, on the simulated cable with a driven clock:
// what reaches the files, appending, the limit, the CSV form, lost links
// and the files that cannot be written.

#include "cli/log_command.h"
#include "cli/log_csv.h"

#include "app/locale_decimal.h"
#include "app/meter_session.h"
#include "link/hid/hid_manual_dispatcher.h"
#include "link/hid/hid_sim_platform.h"
#include "link/sim/simulated_cable.h"
#include "record/record_file.h"
#include "record/record_table.h"

#include "temp_folder.h"
#include "test_environment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Wall = std::chrono::system_clock;

// Central European time, whatever the machine's zone (no tz database
// needed). Windows' C library takes no summer-time dates: its US ones agree
// with Europe's on the days of these tests.
#ifdef _WIN32
constexpr const char* kZone = "CET-1CEST";
#else
constexpr const char* kZone = "CET-1CEST,M3.5.0,M10.5.0/3";
#endif
const bool zoneSet = [] {
    setTimeZone(kZone);
    return true;
}();

/// 2026-12-10 13:03:00 UTC, 14:03:00 in the test's zone.
Wall::time_point logStart()
{
    return std::chrono::sys_days{std::chrono::year{2026} / 12 / 10} + 13h + 3min;
}

/// The simulated cable with its meter on a driven clock: each loop step
/// moves the clock on and waits until the read thread has handed over every
/// report that fell due. The run stops at stopAtMs unless it ends earlier.
class DrivenCable final : public LogClock {
public:
    std::shared_ptr<THidSimPlatform> platform = std::make_shared<THidSimPlatform>();
    SimulatedCable cable{platform};
    std::atomic<bool> stop{false};
    uint64_t stopAtMs = 60'000;
    /// Called with the time [ms] after every step.
    std::function<void(uint64_t)> script;

    explicit DrivenCable(bool plugged = true)
    {
        if (plugged)
            cable.plug();
    }

    std::chrono::steady_clock::time_point steadyNow() override
    {
        return std::chrono::steady_clock::time_point(std::chrono::milliseconds(platform->Now()));
    }
    Wall::time_point wallNow() override { return logStart() + std::chrono::milliseconds(platform->Now()); }
    void runFor(THidManualDispatcher& dispatcher, std::chrono::milliseconds step, bool reading) override
    {
        cable.advanceTime(static_cast<uint32_t>(step.count()));
        settle(dispatcher, reading);
        if (script)
            script(platform->Now());
        if (platform->Now() >= stopAtMs)
            stop = true;
    }

private:
    void settle(THidManualDispatcher& dispatcher, bool reading)
    {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        for (;;) {
            dispatcher.RunPending();
            if (dispatcher.PendingCount() == 0) {
                if (!reading || !cable.plugged())
                    return;
                const uint32_t instance = cable.deviceInstance();
                if (platform->QueuedReportCount(instance) == 0 && platform->WaitForPendingRead(instance, 0ms))
                    return;
            }
            if (std::chrono::steady_clock::now() > deadline) {
                ADD_FAILURE() << "the read thread did not catch up";
                return;
            }
            std::this_thread::yield();
        }
    }
};

struct LogRun {
    int status = -1;
    std::string out;
    std::string err;
};

LogRun runLog(const std::vector<std::string>& args, DrivenCable& cable, LogHooks hooks = {})
{
    hooks.platform = cable.platform;
    hooks.clock = &cable;
    hooks.stop = &cable.stop;
    std::ostringstream out, err;
    LogRun run;
    run.status = runLogCommand(args, out, err, hooks);
    run.out = out.str();
    run.err = err.str();
    return run;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> fieldsOf(const std::string& line, char separator)
{
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, separator))
        fields.push_back(field);
    if (!line.empty() && line.back() == separator)
        fields.emplace_back();
    return fields;
}

std::size_t countOf(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

RecordTable load(const std::string& path)
{
    RecordFileLoad loaded = readRecordFile(path);
    EXPECT_TRUE(loaded.ok) << path;
    return std::move(loaded.rows);
}

const std::string kHeader = "No\tTime\tValue\tUnit\tV_Value\tV_Unit\tI_Value\tI_Unit\r\n";

class LogCommand : public ::testing::Test {
protected:
    std::string path(const std::string& leaf) const { return folder_.path() + "/" + leaf; }

private:
    TempFolder folder_;
};

// The file is the record text form exactly as a save of the table writes
// it, and it loads whenever it is looked at while the log runs.
TEST_F(LogCommand, WritesEachRowAsASaveWouldAndTheFileLoadsMidRun)
{
    DrivenCable cable;
    const std::string file = path("meter.txt");
    const std::string saved = path("saved.txt");
    int midRunLoads = 0;
    LogHooks hooks;
    hooks.onStep = [&](MeterSession& session) {
        const uint64_t now = cable.platform->Now();
        if (now % 1000 == 0) {
            RecordFileLoad loaded = readRecordFile(file);
            EXPECT_TRUE(loaded.ok) << "at " << now << " ms";
            EXPECT_LE(loaded.rows.rowCount(), session.cds1().rowCount());
            ++midRunLoads;
        }
        if (now >= 6000) {
            ASSERT_TRUE(saveRecordFile(saved, session.cds1().reader()));
            cable.stop = true;
        }
    };
    const LogRun run = runLog({file}, cable, hooks);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_GE(midRunLoads, 5);

    const RecordTable rows = load(file);
    EXPECT_GE(rows.rowCount(), 10u);  // a frame every 500 ms, all recorded with Repeat on
    EXPECT_EQ(readFile(file), readFile(saved));
    for (std::size_t row = 0; row < rows.rowCount(); ++row)
        EXPECT_EQ(rows.no(row), static_cast<int32_t>(row + 1));
    EXPECT_EQ(run.out, "zqmeter-cli log: " + std::to_string(rows.rowCount()) + " rows in " + file + "\n");
    EXPECT_NE(run.err.find("zqmeter-cli log: recording into " + file + "; Ctrl+C stops\n"), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("2026-12-10 14:03:00 connected\n"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("\033[K"), std::string::npos);  // no status line off a terminal
}

// Each CSV line is the record file's row: its No, the full local date and
// time of its Time field, values with "." whatever the locale (the tests run
// with the decimal comma), units as text.
TEST_F(LogCommand, CsvHasTheRowsWithDateTimeAndDecimalPoints)
{
    DrivenCable cable;
    cable.stopAtMs = 4000;
    const std::string file = path("meter.txt");
    const std::string csv = path("meter.csv");
    const LogRun run = runLog({file, "--csv", csv}, cable);
    ASSERT_EQ(run.status, 0) << run.err;

    const std::string bytes = readFile(csv);
    ASSERT_TRUE(bytes.starts_with("No,DateTime,Value,Unit,V_Value,V_Unit,I_Value,I_Unit\r\n"));
    EXPECT_EQ(countOf(bytes, "\r\n"), countOf(bytes, "\n"));  // CR LF throughout
    const std::vector<std::string> csvLines = linesOf(bytes);
    const std::vector<std::string> fileLines = linesOf(readFile(file));
    // The record file takes the locale's separator: the comma of the German
    // locale this test runs under, where the system lets a test have one.
    const std::string decimal = systemLocaleDecimal();
#ifndef _WIN32
    ASSERT_EQ(decimal, ",");
#endif
    ASSERT_EQ(csvLines.size(), fileLines.size());
    ASSERT_GE(csvLines.size(), 6u);
    for (std::size_t i = 1; i < csvLines.size(); ++i) {
        const std::vector<std::string> row = fieldsOf(fileLines[i], '\t');
        const std::vector<std::string> line = fieldsOf(csvLines[i], ',');
        ASSERT_EQ(row.size(), 8u) << fileLines[i];
        ASSERT_EQ(line.size(), 8u) << csvLines[i];
        EXPECT_EQ(line[0], row[0]);
        EXPECT_EQ(line[1], "2026-12-10T" + row[1] + "+01:00");
        for (std::size_t field : {2, 4, 6}) {
            std::string value = row[field];
            std::replace(value.begin(), value.end(), ',', '.');
            EXPECT_EQ(line[field], value) << csvLines[i];
            EXPECT_NE(row[field].find(decimal), std::string::npos) << "the decimal separator: " << fileLines[i];
        }
        for (std::size_t field : {3, 5, 7})
            EXPECT_EQ(line[field], row[field]);
    }
    EXPECT_NE(run.out.find(" rows in " + file + " and " + csv + "\n"), std::string::npos) << run.out;
}

TEST(LogCsv, NumbersUseThePointAndOnlyNumbersAreNumbers)
{
    struct Case {
        const char* text;
        const char* decimal;
        const char* number;
    };
    for (const Case& c : {Case{"-12,34", ",", "-12.34"}, Case{"0.886", ".", "0.886"}, Case{"0000", ",", "0000"},
                          Case{" 230,4", ",", "230.4"}, Case{"+5", ",", "5"}, Case{"OL", ",", ""},
                          Case{"-OL", ",", ""}, Case{"0@", ",", ""}, Case{"12.5", ",", ""}, Case{"12,", ",", ""},
                          Case{",5", ",", ""}, Case{"1,2,3", ",", ""}, Case{"-", ",", ""}, Case{"", ",", ""},
                          Case{"12", "", "12"}, Case{"1A2", ".", ""}})
        EXPECT_EQ(csvNumber(c.text, c.decimal), c.number) << '"' << c.text << "\" with \"" << c.decimal << '"';
}

TEST(LogCsv, LineQuotesWhatNeedsItAndWritesUtf8)
{
    RecordTable table;
    RecordRow row;
    row.setNo(7);
    row.setText(RecordField::Time, "14:03:05");
    row.setText(RecordField::Value, "OL");
    row.setText(RecordField::Unit, "K,W");
    row.setText(RecordField::V_Value, "230,4");
    row.setText(RecordField::V_Unit, "\"v\"");
    row.setText(RecordField::I_Value, "04,30");
    row.setText(RecordField::I_Unit, "\xB0");  // the degree sign, Latin-1
    table.appendRow(row);
    std::string line;
    appendCsvLine(line, 42, "2026-12-10T14:03:05+01:00", table, 0, ",");
    EXPECT_EQ(line, "42,2026-12-10T14:03:05+01:00,,\"K,W\",230.4,\"\"\"v\"\"\",04.30,\xC2\xB0\r\n");
}

TEST(LogCsv, DateTimeCarriesTheOffsetInForce)
{
    struct Case {
        const char* zone;
        Wall::time_point time;
        const char* text;
    };
    const Wall::time_point summer = std::chrono::sys_days{std::chrono::year{2026} / 7 / 1} + 12h;
    for (const Case& c : {Case{kZone, logStart() + 5s, "2026-12-10T14:03:05+01:00"},
                          Case{kZone, summer, "2026-07-01T14:00:00+02:00"},
#ifdef _WIN32
                          Case{"NST3:30", summer, "2026-07-01T08:30:00-03:30"},
#else
                          Case{"<-0330>3:30", summer, "2026-07-01T08:30:00-03:30"},
#endif
                          Case{"UTC0", summer, "2026-07-01T12:00:00+00:00"}}) {
        setTimeZone(c.zone);
        EXPECT_EQ(isoLocalDateTime(c.time), c.text) << c.zone;
    }
    setTimeZone(kZone);
}

// The numbers go on from the file's last No; a line a power cut left
// unfinished is dropped first, and the CSV is appended to alike.
TEST_F(LogCommand, AppendNumbersOnAndDropsACutLastLine)
{
    const std::string file = path("meter.txt");
    const std::string csv = path("meter.csv");
    const std::string earlier = kHeader + "1\t13:00:00\t0,886\tKW\t230,7\tv\t04,29\tA\r\n" +
                                "2\t13:00:01\t0,889\tKW\t230,4\tv\t04,29\tA\r\n" +
                                "5\t13:00:02\t0,891\tKW\t230,4\tv\t04,32\tA\r\n";
    writeFile(file, earlier + "6\t13:00:0");
    writeFile(csv, "No,DateTime,Value,Unit,V_Value,V_Unit,I_Value,I_Unit\r\n5,2026-12-10T13:00:02+01:00,0.891,KW,"
                   "230.4,v,04.32,A\r\n6,2026-");
    DrivenCable cable;
    cable.stopAtMs = 3000;
    const LogRun run = runLog({file, "--append", "--csv", csv}, cable);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("zqmeter-cli log: " + file + ": dropped an unfinished last line (9 bytes)\n"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("zqmeter-cli log: " + csv + ": dropped an unfinished last line (7 bytes)\n"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("appending to " + file + " after No 5 (3 rows)\n"), std::string::npos) << run.err;

    const std::string bytes = readFile(file);
    ASSERT_TRUE(bytes.starts_with(earlier));
    const RecordTable rows = load(file);
    ASSERT_GE(rows.rowCount(), 6u);
    for (std::size_t row = 3; row < rows.rowCount(); ++row)
        EXPECT_EQ(rows.no(row), static_cast<int32_t>(row + 3));
    const std::vector<std::string> csvLines = linesOf(readFile(csv));
    ASSERT_EQ(csvLines.size(), rows.rowCount() - 1);  // the header, row 5, then the new ones
    EXPECT_TRUE(csvLines[2].starts_with("6,2026-12-10T14:03:0")) << csvLines[2];
    EXPECT_EQ(run.out, "zqmeter-cli log: " + std::to_string(rows.rowCount()) + " rows in " + file + " and " + csv +
                           " (" + std::to_string(rows.rowCount() - 3) + " new)\n");
}

// A file that would not open in the window is not appended to, and is left
// as it was; a missing one is simply begun.
TEST_F(LogCommand, AppendRefusesWhatIsNoRecordFile)
{
    struct Case {
        const char* name;
        std::string file;
        std::string csv;
        const char* refused;  ///< the file the message names, or null
        const char* why = "";  ///< what the message says was wrong
    };
    const std::string csvHeader = "No,DateTime,Value,Unit,V_Value,V_Unit,I_Value,I_Unit\r\n";
    for (const Case& c : {Case{"a note without a line end", "shopping: milk, eggs", "", "meter.txt"},
                          Case{"a first field no number", kHeader + "one\t13:00:00\r\n", "", "meter.txt",
                               "line 2: the first field (No) is neither"},
                          Case{"more than eight fields", kHeader + "1\ta\tb\tc\td\te\tf\tg\th\r\n", "", "meter.txt",
                               "line 2: more than eight fields"},
                          Case{"a CSV of another program", kHeader, "a,b\r\n1,2\r\n", "meter.csv"},
                          Case{"a header cut short", "No\tTi", csvHeader.substr(0, 10), nullptr}}) {
        SCOPED_TRACE(c.name);
        const std::string file = path("meter.txt");
        const std::string csv = path("meter.csv");
        writeFile(file, c.file);
        writeFile(csv, c.csv);
        DrivenCable cable;
        cable.stopAtMs = 1500;
        const LogRun run = runLog({file, "--append", "--csv", csv}, cable);
        if (c.refused) {
            EXPECT_EQ(run.status, 1);
            EXPECT_EQ(run.err.find("zqmeter-cli log: " + path(c.refused) + ": "), 0u) << run.err;
            EXPECT_NE(run.err.find("; not appending to it\n"), std::string::npos) << run.err;
            EXPECT_NE(run.err.find(c.why), std::string::npos) << run.err;
            EXPECT_EQ(readFile(file), c.file);
            EXPECT_EQ(readFile(csv), c.csv);
        } else {
            EXPECT_EQ(run.status, 0) << run.err;
            EXPECT_TRUE(readFile(file).starts_with(kHeader + "1\t"));
            EXPECT_TRUE(readFile(csv).starts_with(csvHeader + "1,"));
        }
    }

    const std::string fresh = path("fresh.txt");
    DrivenCable cable;
    cable.stopAtMs = 1500;
    const LogRun run = runLog({fresh, "--append"}, cable);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(load(fresh).no(0), 1);
}

// The limit ends the run with a line that says so; with --append it counts
// the file's numbers, so a file already at the limit takes nothing.
TEST_F(LogCommand, LimitEndsTheRun)
{
    struct Case {
        std::vector<std::string> options;
        std::string earlier;
        std::size_t rows;
        const char* summary;
    };
    const std::string threeRows = kHeader + "1\t13:00:00\t1\tKW\r\n2\t13:00:01\t1\tKW\r\n3\t13:00:02\t1\tKW\r\n";
    for (const Case& c : {Case{{"--limit", "3"}, "", 3, "record limit 3 reached: 3 rows in FILE"},
                          Case{{"--limit", "0"}, "", 0, "record limit 0 reached: 0 rows in FILE"},
                          Case{{"--limit", "5", "--append"}, threeRows, 5,
                               "record limit 5 reached: 5 rows in FILE (2 new)"},
                          Case{{"--limit", "3", "--append"}, threeRows, 3,
                               "record limit 3 reached: 3 rows in FILE (0 new)"}}) {
        SCOPED_TRACE(c.summary);
        const std::string file = path("limit.txt");
        writeFile(file, c.earlier);
        std::vector<std::string> args{file};
        args.insert(args.end(), c.options.begin(), c.options.end());
        DrivenCable cable;
        const LogRun run = runLog(args, cable);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_FALSE(cable.stop) << "ended by the limit, not the test";
        EXPECT_EQ(run.out, "zqmeter-cli log: " + std::regex_replace(c.summary, std::regex("FILE"), file) + "\n");
        const RecordTable rows = load(file);
        ASSERT_EQ(rows.rowCount(), c.rows);
        for (std::size_t row = 0; row < c.rows; ++row)
            EXPECT_EQ(rows.no(row), static_cast<int32_t>(row + 1));
    }
}

// --interval and --repeat are the window's controls, as for replay.
TEST_F(LogCommand, SamplingOptionsAreTheWindows)
{
    const std::string file = path("interval.txt");
    DrivenCable cable;
    cable.stopAtMs = 10'000;
    const LogRun run = runLog({file, "--interval", "3", "--repeat", "off"}, cable);
    ASSERT_EQ(run.status, 0) << run.err;
    const RecordTable rows = load(file);
    ASSERT_GE(rows.rowCount(), 3u);
    EXPECT_LE(rows.rowCount(), 4u);
    for (std::size_t row = 1; row < rows.rowCount(); ++row) {
        const std::string before = *rows.fieldText(row - 1, RecordField::Time);
        const std::string now = *rows.fieldText(row, RecordField::Time);
        EXPECT_GE(std::stoi(now.substr(6)) - std::stoi(before.substr(6)), 3) << before << " " << now;
    }
}

TEST_F(LogCommand, FilesThatCannotBeWrittenEndItWithTheSystemsReason)
{
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::string file = path("kept.txt");
    const std::string missing = path("no-such-folder/meter.txt");
    std::vector<Case> cases{
        Case{{missing}, "zqmeter-cli log: cannot write " + missing + ": No such file or directory\n"},
        Case{{file, "--csv", missing}, "zqmeter-cli log: cannot write " + missing + ": No such file or directory\n"}};
#ifndef _WIN32
    // A disk that is full at once.
    cases.push_back(Case{{"/dev/full"}, "zqmeter-cli log: cannot write /dev/full: No space left on device\n"});
    cases.push_back(
        Case{{file, "--csv", "/dev/full"}, "zqmeter-cli log: cannot write /dev/full: No space left on device\n"});
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        DrivenCable cable;
        const LogRun run = runLog(c.args, cable);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, c.message);
    }
    // The record file opened before the CSV failed keeps its header, and loads.
    EXPECT_EQ(readFile(file), kHeader);
}

TEST_F(LogCommand, MalformedCommandLinesAreRefused)
{
    const std::string file = path("meter.txt");
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{},
                                               {"--demo"},
                                               {file, file},
                                               {file, "--csv"},
                                               {file, "--csv", file},
                                               {file, "--append", "--append"},
                                               {file, "--limit", "many"},
                                               {file, "--interval", "-1"},
                                               {file, "--repeat", "yes"},
                                               {file, "--clock", "12:00:00"},
                                               {file, "--high"},
                                               {file, "--high", "1,5"},
                                               {file, "--high", "1e3"},
                                               {file, "--low", "OL"},
                                               {file, "--high", "2", "--high", "3"},
                                               {file, "--hysteresis", "0.1"},
                                               {file, "--high", "2", "--hysteresis", "-0.1"}}) {
        DrivenCable cable;
        const LogRun run = runLog(args, cable);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.err.starts_with("usage: zqmeter-cli log FILE")) << run.err;
    }
    DrivenCable cable;
    const LogRun run = runLog({path("meter.xml")}, cable);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("XML data packet"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(path("meter.xml")));

    const LogRun crossed = runLog({file, "--high", "0.5", "--low", "1.5"}, cable);
    EXPECT_EQ(crossed.status, 2);
    EXPECT_EQ(crossed.err, "zqmeter-cli log: the low limit 1.5 is above the high limit 0.5\n");
    EXPECT_FALSE(std::filesystem::exists(file));
}

// Unplugged and plugged back: the log says when, connects again by itself
// and numbers on without a gap.
TEST_F(LogCommand, ConnectsAgainAfterTheCableWasReplugged)
{
    const std::string file = path("replug.txt");
    DrivenCable cable;
    cable.stopAtMs = 9000;
    cable.script = [&](uint64_t now) {
        if (now == 3000)
            cable.cable.unplug();
        if (now == 5000)
            cable.cable.plug();
    };
    const LogRun run = runLog({file}, cable);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(countOf(run.err, "link lost"), 1u) << run.err;
    EXPECT_NE(run.err.find("2026-12-10 14:03:03 link lost: the cable was removed\n"), std::string::npos) << run.err;
    EXPECT_TRUE(std::regex_search(run.err, std::regex("\n2026-12-10 14:03:0[56] connected again\n"))) << run.err;

    const RecordTable rows = load(file);
    bool afterReplug = false;
    for (std::size_t row = 0; row < rows.rowCount(); ++row) {
        EXPECT_EQ(rows.no(row), static_cast<int32_t>(row + 1));
        afterReplug = afterReplug || *rows.fieldText(row, RecordField::Time) >= "14:03:06";
    }
    EXPECT_TRUE(afterReplug);
}

// A meter that falls silent: the watchdog's loss is told once however often
// the link is renewed meanwhile, and the link is back with the readings.
TEST_F(LogCommand, ASilentMeterIsOneLostLink)
{
    const std::string file = path("silent.txt");
    DrivenCable cable;
    cable.stopAtMs = 65'000;
    cable.script = [&](uint64_t now) {
        if (now == 2000)
            cable.cable.setMeterOn(false);
        if (now == 60'000)
            cable.cable.setMeterOn(true);
    };
    const LogRun run = runLog({file}, cable);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(countOf(run.err, "link lost"), 1u) << run.err;
    EXPECT_NE(run.err.find(" link lost: USB interface cable is securely connected, please check if the meter is "
                           "ready.\n"),
              std::string::npos)
        << run.err;
    EXPECT_TRUE(std::regex_search(run.err, std::regex("\n2026-12-10 14:04:0[01] connected again\n"))) << run.err;
    const RecordTable rows = load(file);
    ASSERT_GE(rows.rowCount(), 4u);
    EXPECT_GE(*rows.fieldText(rows.rowCount() - 1, RecordField::Time), "14:04:01");
    for (std::size_t row = 0; row < rows.rowCount(); ++row)
        EXPECT_EQ(rows.no(row), static_cast<int32_t>(row + 1));
}

// Without a cable at the start the log waits, says so once, and records
// once one is plugged in; a stop while it waits ends it cleanly.
TEST_F(LogCommand, WaitsForTheCable)
{
    const std::string file = path("wait.txt");
    const std::string waiting =
        "zqmeter-cli log: no cable to connect to; waiting for one (see zqmeter-cli devices)\n";
    {
        DrivenCable cable(false);
        cable.stopAtMs = 5000;
        cable.script = [&](uint64_t now) {
            if (now == 2000)
                cable.cable.plug();
        };
        const LogRun run = runLog({file}, cable);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(countOf(run.err, waiting), 1u) << run.err;
        EXPECT_TRUE(std::regex_search(run.err, std::regex("\n2026-12-10 14:03:02 connected\n"))) << run.err;
        EXPECT_GE(load(file).rowCount(), 3u);
    }
    {
        DrivenCable cable(false);
        cable.stopAtMs = 1000;
        const LogRun run = runLog({file}, cable);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(countOf(run.err, waiting), 1u) << run.err;
        EXPECT_EQ(run.out, "zqmeter-cli log: 0 rows in " + file + "\n");
        EXPECT_EQ(readFile(file), kHeader);
    }
    // A cable the udev rule does not open for the user: said so, and waited for.
    DrivenCable cable(false);
    THidSimDevice queryOnly = SimulatedCable::device();
    queryOnly.Access = EHidSimAccess::QueryOnly;
    cable.platform->Plug(queryOnly);
    cable.stopAtMs = 1000;
    const LogRun run = runLog({file}, cable);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("zqmeter-cli log: the cable does not open for reading (see the README's permissions for "
                           "the cable); waiting until it does\n"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.out, "zqmeter-cli log: 0 rows in " + file + "\n");
}

// On a terminal: one line rewritten in place a few times a second, cleared
// before a line of its own and at the end.
TEST_F(LogCommand, StatusLineOnATerminal)
{
    const std::string file = path("status.txt");
    DrivenCable cable;
    cable.stopAtMs = 5000;
    cable.script = [&](uint64_t now) {
        if (now == 3000)
            cable.cable.unplug();
    };
    LogHooks hooks;
    hooks.terminal = true;
    const LogRun run = runLog({file}, cable, hooks);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::size_t updates = countOf(run.err, "\r\033[K");
    EXPECT_GE(updates, 10u);
    EXPECT_LE(updates, 2 * (5000 / 250 + 1) + 3);  // each update, and a clear before each line
    EXPECT_TRUE(std::regex_search(run.err, std::regex("\r\033\\[K[1-9][0-9]* rows? \\| [^|]+ \\| connected \\| "
                                                      "00:00:0[0-2]")))
        << run.err;
    EXPECT_TRUE(std::regex_search(run.err, std::regex("\r\033\\[K2026-12-10 14:03:03 link lost")));
    EXPECT_NE(run.err.find("| link lost | 00:00:04"), std::string::npos);
    EXPECT_TRUE(run.err.ends_with("\r\033[K")) << "cleared at the end";
}

}  // namespace

namespace {

std::vector<std::string> limitLinesOf(const std::string& err)
{
    std::vector<std::string> lines;
    for (const std::string& line : linesOf(err))
        if (line.find(" limit ") != std::string::npos)
            lines.push_back(line);
    return lines;
}

// The demo meter's KW falls from 0.776 to 0.493, rises to 1.098, and the
// switch steps on to KVA at 14:03:29 (1.347 and rising). Each crossing and
// clearing is one line with the time of the reading's row, the reading with
// the decimal point (the tests run with the decimal comma) and its unit; the
// low limit clears only past its hysteresis, and the change to KVA starts
// the watch afresh without a line of its own.
TEST_F(LogCommand, LimitsTellEachCrossingAndClearingOnce)
{
    DrivenCable cable;
    cable.stopAtMs = 35'000;
    const std::string file = path("limits.txt");
    const LogRun run = runLog({file, "--high", "1.05", "--low", "0.6", "--hysteresis", "0.05"}, cable);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(limitLinesOf(run.err), (std::vector<std::string>{
                                         "2026-12-10 14:03:07 low limit 0.6 crossed: 0.591 KW",
                                         "2026-12-10 14:03:17 low limit 0.6 cleared: 0.658 KW",
                                         "2026-12-10 14:03:25 high limit 1.05 crossed: 1.058 KW",
                                         "2026-12-10 14:03:29 high limit 1.05 crossed: 1.347 KVA",
                                     }))
        << run.err;

    // Each line stands beside the row its reading became.
    const RecordTable rows = load(file);
    for (const std::string& line : limitLinesOf(run.err)) {
        const std::string time = line.substr(11, 8);
        std::string value = line.substr(line.find(": ") + 2);
        value = value.substr(0, value.find(' '));
        // The line has the point, the row the locale's separator.
        if (const std::size_t point = value.find('.'); point != std::string::npos)
            value.replace(point, 1, systemLocaleDecimal());
        bool found = false;
        for (std::size_t row = 0; row < rows.rowCount() && !found; ++row)
            found = rows.fieldText(row, RecordField::Time) == time && rows.fieldText(row, RecordField::Value) == value;
        EXPECT_TRUE(found) << line;
    }

    // Without limits nothing is watched, and the hysteresis defaults to 0:
    // the low limit clears with the first reading above it.
    DrivenCable again;
    again.stopAtMs = 20'000;
    const LogRun plain = runLog({path("plain.txt")}, again);
    EXPECT_EQ(limitLinesOf(plain.err), std::vector<std::string>{}) << plain.err;
    DrivenCable third;
    third.stopAtMs = 20'000;
    const LogRun low = runLog({path("low.txt"), "--low", "0.6"}, third);
    EXPECT_EQ(limitLinesOf(low.err), (std::vector<std::string>{
                                         "2026-12-10 14:03:07 low limit 0.6 crossed: 0.591 KW",
                                         "2026-12-10 14:03:16 low limit 0.6 cleared: 0.614 KW",
                                     }))
        << low.err;
}

}  // namespace
