// replay with the record table: the sampling options, the simulated clock,
// the record files it opens and saves.

#include "cli/replay_command.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

struct ReplayRun {
    int status = 0;
    std::vector<std::string> lines;
    std::string err;
};

ReplayRun replay(std::vector<std::string> args, const std::string& input)
{
    args.insert(args.begin(), {"--decimal", "."});
    std::istringstream in(input);
    std::ostringstream out, err;
    ReplayRun run;
    run.status = runReplayCommand(args, in, out, err);
    run.err = err.str();
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);)
        run.lines.push_back(line);
    return run;
}

/// The input reports that carry @p frame (26 digits) as the cable does: the
/// serial bytes 7 to a report, CR LF, then an empty report that closes it.
std::string reports(std::string_view frame)
{
    std::string bytes;
    for (char digit : frame)
        bytes.push_back(static_cast<char>(0x30 + (digit <= '9' ? digit - '0' : digit - 'A' + 10)));
    bytes += "\r\n";
    std::string text;
    static const char* const kHex = "0123456789ABCDEF";
    for (std::size_t at = 0; at < bytes.size(); at += 7) {
        const std::size_t count = std::min<std::size_t>(7, bytes.size() - at);
        text += "00 F";
        text += kHex[count];
        for (std::size_t i = 0; i < count; ++i) {
            const auto byte = static_cast<unsigned char>(bytes[at + i]);
            text += ' ';
            text += kHex[byte >> 4];
            text += kHex[byte & 15];
        }
        text += '\n';
    }
    return text + "00 F0 00 00 00 00 00 00 00\n";
}

const std::string A = reports("000123422205105182070000DA");    // 12.34 KW
const std::string B = reports("000567822205105182070000DA");    // 56.78 KW
const std::string Sum = reports("700004202205105182070001DA");  // the sum-of-power view: not offered

std::string at(std::string_view seconds) { return "# t=" + std::string(seconds) + "\n"; }

/// The "Recorded" value of a frame object: its No, or none for null.
std::optional<int> recordedOf(const std::string& object)
{
    const std::string key = "\"Recorded\":";
    const std::size_t where = object.rfind(key);
    EXPECT_NE(where, std::string::npos) << object;
    if (where == std::string::npos)
        return std::nullopt;
    const std::string value = object.substr(where + key.size());
    if (value.rfind("null", 0) == 0)
        return std::nullopt;
    return std::stoi(value);
}

std::vector<std::string> fileLines(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    return lines;
}

/// The Time fields of a saved text file, header dropped.
std::vector<std::string> savedTimes(const std::string& path)
{
    std::vector<std::string> times;
    const std::vector<std::string> lines = fileLines(path);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::size_t first = lines[i].find('\t');
        times.push_back(lines[i].substr(first + 1, lines[i].find('\t', first + 1) - first - 1));
    }
    return times;
}

struct SamplingCase {
    const char* name;
    std::vector<std::string> args;
    std::string input;
    std::vector<std::optional<int>> recorded;  ///< "Recorded" of each frame object
    int rows;
    int nextRecordNo;
    std::vector<std::string> times;  ///< when given: the Time of each row saved
};

void PrintTo(const SamplingCase& c, std::ostream* os) { *os << c.name; }

const std::optional<int> none;

const SamplingCase kSamplingCases[] = {
    {"defaults record every offered reading", {}, A + A + Sum + B, {1, 2, none, 3}, 3, 4, {}},
    {"repeat off skips an equal value text but spends its number", {"--repeat", "off"}, A + A + B + B + A,
     {1, none, 3, none, 5}, 3, 6, {}},
    {"repeat on", {"--repeat", "on"}, A + A, {1, 2}, 2, 3, {}},
    {"interval 10: ten ticks, the one due at the new time first", {"--interval", "10"},
     at("0") + A + at("5") + A + at("9.999") + A + at("10") + A + at("19.5") + A + at("20") + A,
     {1, none, none, 2, none, 3}, 3, 4, {}},
    {"interval on the capture's own stamps", {"--interval", "2"},
     "# +0 ms\n" + A + "# +1999 ms\n" + A + "# +2000 ms\n" + A, {1, none, 2}, 2, 3, {}},
    {"interval 0 records every reading", {"--interval", "0"}, A + A + A, {1, 2, 3}, 3, 4, {}},
    {"no ticks without an interval", {}, A + at("0.5") + A + at("7") + A, {1, 2, 3}, 3, 4, {}},
    {"a jump of years ends the countdown at once", {"--interval", "10"}, A + at("4000000000") + A, {1, 2}, 2, 3, {}},
    {"limit reached: nothing more, not even the count", {"--limit", "2"}, A + B + A + B, {1, 2, none, none}, 2, 3, {}},
    {"limit below 1 records nothing", {"--limit", "-1"}, A, {none}, 0, 1, {}},
    {"Time is the clock plus whole seconds, wrapping at midnight", {"--clock", "23:59:58"},
     A + at("1.75") + B + at("2") + A + at("86401") + B, {1, 2, 3, 4}, 4, 5,
     {"23:59:58", "23:59:59", "00:00:00", "23:59:59"}},
    {"comments, empty lines and other stamps are skipped", {"--clock", "08:00:00"},
     "# zqmeter capture\n\n#t=50\n# stopped after 9 ms\n" + A, {1}, 1, 2, {"08:00:00"}},
};

class ReplaySampling : public ::testing::TestWithParam<SamplingCase> {};

TEST_P(ReplaySampling, RecordsAsTheWindowWould)
{
    const SamplingCase& c = GetParam();
    TempFolder dir;
    ASSERT_FALSE(dir.path().empty());
    const std::string saved = dir.file("rows.txt");
    std::vector<std::string> args = c.args;
    if (!c.times.empty())
        args.insert(args.end(), {"--save", saved});

    const ReplayRun run = replay(args, c.input);
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(run.lines.size(), c.recorded.size() + 1);
    for (std::size_t i = 0; i < c.recorded.size(); ++i)
        EXPECT_EQ(recordedOf(run.lines[i]), c.recorded[i]) << "frame " << i;
    EXPECT_NE(run.lines.back().find(",\"Rows\":" + std::to_string(c.rows) +
                                    ",\"NextRecordNo\":" + std::to_string(c.nextRecordNo) + "}"),
              std::string::npos)
        << run.lines.back();
    if (!c.times.empty()) {
        EXPECT_EQ(savedTimes(saved), c.times);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ReplaySampling, ::testing::ValuesIn(kSamplingCases),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(ReplayFiles, OpensInOrderBeforeTheFirstReportAndSavesAfterTheLast)
{
    TempFolder dir;
    ASSERT_FALSE(dir.path().empty());
    const std::string text = dir.file("in.txt");
    std::ofstream(text, std::ios::binary) << "No\tTime\tValue\tUnit\tV_Value\tV_Unit\tI_Value\tI_Unit\r\n"
                                          << "7\t10:00:00\t1.5\tKW\t230.0\tv\t2.0\tA\r\n";
    const std::string xml = dir.file("out.xml");

    const ReplayRun run = replay({"--open", text, "--open", text, "--clock", "12:00:00", "--save", xml}, A);
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(run.lines.size(), 2u);
    // Loaded rows keep their numbers; recording goes on from NextRecordNo.
    EXPECT_EQ(recordedOf(run.lines[0]), 1);
    EXPECT_NE(run.lines[1].find(R"("Rows":3,"NextRecordNo":2})"), std::string::npos) << run.lines[1];
    EXPECT_TRUE(run.err.empty()) << run.err;  // a data packet is saved without a message

    const std::vector<std::string> packet = fileLines(xml);
    ASSERT_EQ(packet.size(), 1u);
    EXPECT_EQ(packet[0].rfind(R"(<?xml version="1.0" standalone="yes"?>  <DATAPACKET Version="2.0">)", 0), 0u);
    EXPECT_NE(packet[0].find(R"(No="7" Time="10:00:00")"), std::string::npos);
    EXPECT_NE(packet[0].find(R"(No="1" Time="12:00:00" Value="12.34")"), std::string::npos);

    // The text form, and its message on standard error.
    const std::string copy = dir.file("copy.xls");
    const ReplayRun again = replay({"--open", xml, "--save", copy}, "");
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.lines, std::vector<std::string>{R"({"IdleReportCount":0,"HistoryLines":0,"Rows":3,"NextRecordNo":1})"});
    EXPECT_EQ(again.err, "Save table to specified file: " + copy + " Scuss!\n");
    EXPECT_EQ(savedTimes(copy), (std::vector<std::string>{"10:00:00", "10:00:00", "12:00:00"}));
}

TEST(ReplayFiles, AFileThatFailsToLoadEndsBeforeAnyReport)
{
    TempFolder dir;
    ASSERT_FALSE(dir.path().empty());
    const std::string bad = dir.file("bad.txt");
    std::ofstream(bad, std::ios::binary) << "header\r\nnot-a-number\t10:00:00\r\n";
    const std::string missing = dir.file("missing.txt");
    const std::pair<std::string, std::string> cases[] = {
        {missing, missing + ": it cannot be opened: No such file or directory"},
        {bad, bad + ": line 2: the first field (No) is neither a whole number of 32 bits nor NULL"},
    };
    for (const auto& [file, why] : cases) {
        const ReplayRun run = replay({"--open", file}, A);
        EXPECT_EQ(run.status, 1) << file;
        EXPECT_TRUE(run.lines.empty()) << file;
        EXPECT_EQ(run.err, "Failed to Load File!\n" + why + "\n") << file;
    }
}

TEST(ReplayFiles, AFailedSaveIsExitStatusOne)
{
    TempFolder dir;
    ASSERT_FALSE(dir.path().empty());
    const std::string name = dir.file("no-such-folder/out.txt");
    const ReplayRun run = replay({"--save", name}, A);
    EXPECT_EQ(run.status, 1);
    ASSERT_EQ(run.lines.size(), 2u);
    EXPECT_NE(run.err.find("Could not save table to specified file: " + name), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("no-such-folder")));
}

TEST(ReplayClockLines, ATimeThatGoesBackOrIsNoTimeStopsTheReplay)
{
    const struct {
        std::string input;
        std::string message;
    } cases[] = {
        {at("2") + A + at("1.5") + A, "line 7: the time goes back"},
        {"# +2000 ms\n" + at("1.999"), "line 2: the time goes back"},
        {at("abc"), "line 1: not a time"},
        {at(""), "line 1: not a time"},
        {at("-1"), "line 1: not a time"},
        {at(".5"), "line 1: not a time"},
        {at("1e3"), "line 1: not a time"},
        {at("100000000000"), "line 1: not a time"},
        {"# +5 s\n", "line 1: not a time"},
        {"# +x ms\n", "line 1: not a time"},
    };
    for (const auto& c : cases) {
        const ReplayRun run = replay({}, c.input);
        EXPECT_EQ(run.status, 1) << c.input;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.input << run.err;
    }
    // The same time again, a fraction cut past nanoseconds, trailing blanks.
    EXPECT_EQ(replay({}, at("3") + at("3") + at("3.0000000001") + "# t=4  \r\n# +4000 ms\n").status, 0);
}

TEST(ReplayOptions, AMalformedCommandLineIsExitStatusTwo)
{
    const std::vector<std::vector<std::string>> bad = {
        {"--repeat", "yes"},  {"--repeat"},          {"--interval", "-5"},   {"--interval", "abc"},
        {"--interval", ""},   {"--limit", "x"},      {"--limit", "2147483648"}, {"--clock", "24:00:00"},
        {"--clock", "1:00:00"}, {"--clock", "12:60:00"}, {"--save"},        {"--save", "a", "--save", "b"},
        {"--open", ""},       {"--limit", "1", "--limit", "2"}, {"--bogus", "1"}, {"stray"},
    };
    for (const auto& args : bad) {
        const ReplayRun run = replay(args, A);
        EXPECT_EQ(run.status, 2) << args[0];
        EXPECT_TRUE(run.lines.empty());
        EXPECT_EQ(run.err.rfind("usage: zqmeter-cli replay", 0), 0u);
    }
}

}  // namespace
