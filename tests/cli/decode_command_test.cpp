#include "cli/decode_command.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

CliRun decode(const std::string& input, std::vector<std::string> args = {"--decimal", "."})
{
    std::istringstream in(input);
    std::ostringstream out, err;
    const int status = runDecodeCommand(args, in, out, err);
    return {status, out.str(), err.str()};
}

TEST(DecodeCommand, WorkedExamplePrintsOneLineWithKeysInOrder)
{
    const CliRun run = decode("000123422205105182075418DA\r\n");
    ASSERT_EQ(run.status, 0);
    const std::string expectedStart =
        R"({"frame":"000123422205105182075418DA","decoded":true,"ValueText":"-12.34","UnitText":"KW",)"
        R"("VValueText":"220.5","VUnitText":"v","IValueText":"05.18","IUnitText":"A","MemoryCount":7,)"
        R"("WholePart":-12,"PfMode":false,"SigmaWMode":false,"DialDivisions":"6","DialFullScale":600,)"
        R"("DialCentre":600,"BarMax":600,"DialStep":120,"ScaleDrawn":true,"Needle":588,"NeedleTip":[181,34],)"
        R"("NeedleBase":[188,403],"BarMaxSet":600,)"
        R"("BarPosition":12,"ChartValue":-12.34,"ValueMin":-1000,"ValueMax":1000,"Offered":true,)"
        R"("Visible":["AC","AC1","AC2","CONok","H_Time1",)";
    EXPECT_EQ(run.out.substr(0, expectedStart.size()), expectedStart);
    EXPECT_NE(run.out.find(R"("wsg":"\u00a1\u00c6"})"), std::string::npos);
    EXPECT_NE(run.out.find(R"("Lab0":"\u00b0")"), std::string::npos);
    EXPECT_EQ(run.out.back(), '\n');
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1);
}

TEST(DecodeCommand, RejectedLinesLeaveTheStateAsItWas)
{
    const CliRun run = decode(
        "0001234222051051820754\n"                // too short for the cable to pass on
        "000123422205105182075418DX\n"            // no closing CR LF
        "\n"                                      // skipped
        "000123422205105182075418DA\n"
        "0001234222051051820754G8DA\n"            // flag nibble not hexadecimal
        "000999900005105182070000DA\n");
    std::istringstream lines(run.out);
    std::string line;
    std::vector<std::string> all;
    while (std::getline(lines, line))
        all.push_back(line);
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[0], R"({"frame":"0001234222051051820754","decoded":false,"reason":"not 26 characters"})");
    EXPECT_EQ(all[1], R"({"frame":"000123422205105182075418DX","decoded":false,"reason":"does not end in DA"})");
    EXPECT_NE(all[2].find(R"("decoded":true)"), std::string::npos);
    EXPECT_EQ(all[3].find(R"("decoded":false,"reason":")"), 38u);
    // the next good frame is the second decoded one: same unit, no scale drawing
    EXPECT_NE(all[4].find(R"("ValueText":"9999","UnitText":"KW")"), std::string::npos);
    EXPECT_NE(all[4].find(R"("ScaleDrawn":false,"Needle":10599)"), std::string::npos);
}

TEST(DecodeCommand, MalformedCommandLineIsAUsageError)
{
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--decimal"}, {"--frobnicate"}, {"--decimal", ",", "extra"}}) {
        const CliRun run = decode("", args);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("usage:"), std::string::npos);
        EXPECT_TRUE(run.out.empty());
    }
}

TEST(DecodeCommand, SumOfPowerFrameHandsNothingOn)
{
    const CliRun run = decode("700004200000000000000001DA\n", {"--decimal", ","});
    ASSERT_EQ(run.status, 0);
    EXPECT_NE(run.out.find(R"("SigmaWMode":true)"), std::string::npos);
    EXPECT_NE(run.out.find(R"("ScaleDrawn":false,"Needle":null,"NeedleTip":[185,34],"NeedleBase":[184,403],"BarMaxSet":60,"BarPosition":20,"ChartValue":null,"ValueMin":-11000,"ValueMax":11000,"Offered":false)"),
              std::string::npos);
    EXPECT_NE(run.out.find(R"("wsg":"\u00a1\u00c6W")"), std::string::npos);
}

}  // namespace
