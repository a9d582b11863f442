#include "cli/chart_command.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

struct ChartRun {
    int status;
    std::vector<std::string> lines;
    std::string err;
};

ChartRun runChart(const std::string& input, const std::vector<std::string>& args = {})
{
    std::istringstream in(input);
    std::ostringstream out, err;
    ChartRun run{runChartCommand(args, in, out, err), {}, err.str()};
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);)
        run.lines.push_back(line);
    return run;
}

TEST(ChartCommand, PrintsEveryKeyInOrder)
{
    const ChartRun run = runChart("add 12.5\r\n");
    ASSERT_EQ(run.status, 0);
    ASSERT_EQ(run.lines.size(), 1u);
    EXPECT_EQ(run.lines[0],
              R"({"op":"add 12.5","Returned":1,"CurrentPage":1,"PageCount":1,"PageSize":100,"Browsing":false,)"
              R"("AxisMin":1,"AxisMax":100,"Points":2,"Bt10":"1","Maxrecord":"100","Fill":true,"AreaVisible":true,)"
              R"("ValueAxisMin":-11000,"ValueAxisMax":11000})");
}

TEST(ChartCommand, RunsTheHandlersAsTheWindowDoes)
{
    std::string script = "# 149 readings, then page size 50\n\n";
    for (int i = 0; i < 149; ++i)
        script += "add 1\n";
    script += "first\nmaxrecord 050\nadd -3\nclear\nnext\nfill 0\nmin -1000\nmax 1000\nmaxrecord\n";
    const ChartRun run = runChart(script);
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(run.lines.size(), 158u);
    auto has = [&](std::size_t line, const std::string& part) {
        EXPECT_NE(run.lines[line].find(part), std::string::npos) << run.lines[line] << " lacks " << part;
    };
    has(148, R"("Returned":2,"CurrentPage":2,"PageCount":2)");
    has(149, R"("op":"first","Returned":1,"CurrentPage":1,"PageCount":2,"PageSize":100,"Browsing":true,"AxisMin":1,"AxisMax":100)");
    has(150, R"("op":"maxrecord 050","Returned":null,"CurrentPage":3,"PageCount":3,"PageSize":50,"Browsing":false,"AxisMin":101,"AxisMax":150)");
    has(150, R"("Bt10":"1","Maxrecord":"50")");
    has(151, R"("Returned":3,"CurrentPage":3,"PageCount":3,"PageSize":50,"Browsing":false,"AxisMin":101,"AxisMax":150,"Points":151,"Bt10":"3")");
    has(152, R"("op":"clear","Returned":1,"CurrentPage":1,"PageCount":3,"PageSize":50,"Browsing":false,"AxisMin":1,"AxisMax":50,"Points":1,"Bt10":"3")");
    has(153, R"("op":"next","Returned":2,"CurrentPage":2,"PageCount":3,"PageSize":50,"Browsing":true,"AxisMin":1,"AxisMax":50)");
    has(154, R"("Fill":false,"AreaVisible":false)");
    has(155, R"("ValueAxisMin":-1000,"ValueAxisMax":11000})");
    has(156, R"("ValueAxisMin":-1000,"ValueAxisMax":1000})");
    has(157, R"("op":"maxrecord","Returned":null,"CurrentPage":1,"PageCount":1,"PageSize":100,"Browsing":false,"AxisMin":1,"AxisMax":100)");
    has(157, R"("Maxrecord":"100")");
}

struct BadLine {
    const char* input;
    const char* named;  // on standard error
    std::size_t printed;  // lines run before it
};

TEST(ChartCommand, ALineThatIsNoCommandStopsWithItsNumber)
{
    for (const BadLine& bad : {BadLine{"add 1\n# note\nadd\n", "line 3", 1}, BadLine{"add x\n", "line 1", 0},
                               BadLine{"\nfirst 2\n", "line 2", 0}, BadLine{"fill 2\n", "line 1", 0},
                               BadLine{"add nan\n", "line 1", 0}, BadLine{"min\n", "line 1", 0},
                               BadLine{"add 1e999\n", "line 1", 0}, BadLine{"first\nlast\nwhat\nadd 1\n", "line 3", 2}}) {
        const ChartRun run = runChart(bad.input);
        EXPECT_EQ(run.status, 2) << bad.input;
        EXPECT_NE(run.err.find(bad.named), std::string::npos) << bad.input << run.err;
        EXPECT_EQ(run.lines.size(), bad.printed) << bad.input;
    }
    EXPECT_EQ(runChart("", {"extra"}).status, 2);
}

}  // namespace
