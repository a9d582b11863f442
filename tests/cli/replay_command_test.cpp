#include "cli/replay_command.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

struct ReplayRun {
    int status;
    std::vector<std::string> lines;
    std::string err;
};

ReplayRun replay(const std::string& input)
{
    std::istringstream in(input);
    std::ostringstream out, err;
    const int status = runReplayCommand({"--decimal", "."}, in, out, err);
    ReplayRun run{status, {}, err.str()};
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);)
        run.lines.push_back(line);
    return run;
}

// 000123422205105182075418DA as 26 serial bytes over four reports
constexpr const char* kFrameReports =
    "00 F7 30 30 30 31 32 33 34\n"
    "00 f7 32 32 32 30 35 31 30\n"
    "00 F7 35 31 38 32 30 37 35\n"
    "00 F5 34 31 38 0D 0A 00 00\n";

TEST(ReplayCommand, PrintsOneObjectPerFrameCloseAndASummary)
{
    const ReplayRun run = replay(std::string("# capture\n\n") + kFrameReports +
                                 "00 F0 00 00 00 00 00 00 00\r\n"
                                 "00 F0 00 00 00 00 00 00 00\n"
                                 "00 F3 31 32 33\n"
                                 "00\n");  // Size 0 closes the short run, uncounted
    ASSERT_EQ(run.status, 0);
    ASSERT_EQ(run.lines.size(), 3u);
    EXPECT_EQ(run.lines[0].rfind(R"({"MeterFrame":"000123422205105182075418DA","decoded":true,"ValueText":"-12.34",)", 0),
              0u);
    EXPECT_NE(run.lines[0].find(R"("Needle":588,"NeedleTip":[181,34],)"), std::string::npos);
    EXPECT_EQ(run.lines[0].substr(run.lines[0].size() - 15), R"(},"Recorded":1})");
    EXPECT_EQ(run.lines[1], R"({"MeterFrame":"123","decoded":false,"Recorded":null})");
    EXPECT_EQ(run.lines[2], R"({"IdleReportCount":0,"HistoryLines":5,"Rows":1,"NextRecordNo":2})");
}

TEST(ReplayCommand, AMalformedLineStopsAfterWhatCameBefore)
{
    const ReplayRun run = replay(std::string(kFrameReports) + "00 F0\n00 F0 0\n00 F0\n");
    EXPECT_EQ(run.status, 1);
    ASSERT_EQ(run.lines.size(), 1u);
    EXPECT_NE(run.lines[0].find(R"("decoded":true)"), std::string::npos);
    EXPECT_NE(run.err.find("line 6"), std::string::npos);
    for (const char* bad : {"0G F0\n", "00F0\n", "000 F0\n", "00 F0 zz\n"})
        EXPECT_EQ(replay(bad).status, 1) << bad;
}

TEST(ReplayCommand, IdleReportsAreCounted)
{
    const ReplayRun run = replay("00 F0 00\n00 3A 41\n00 F0\n");
    ASSERT_EQ(run.lines.size(), 1u);
    EXPECT_EQ(run.lines[0], R"({"IdleReportCount":3,"HistoryLines":0,"Rows":0,"NextRecordNo":1})");
}

}  // namespace
