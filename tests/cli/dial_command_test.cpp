#include "cli/dial_command.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

struct DialRun {
    int status;
    std::string out;
};

DialRun dial(std::vector<std::string> args)
{
    std::ostringstream out, err;
    const int status = runDialCommand(args, out, err);
    if (status == 2) {
        EXPECT_NE(err.str().find("usage:"), std::string::npos);
    }
    return {status, out.str()};
}

TEST(DialCommand, NeedleOnEachRange)
{
    EXPECT_EQ(dial({"needle", "600"}).out, "{\"tip\":[185,34],\"base\":[184,403]}\n");
    EXPECT_EQ(dial({"needle", "0", "--range", "3"}).out, "{\"tip\":[20,127],\"base\":[485,403]}\n");
    EXPECT_EQ(dial({"needle", "--range", "1", "720"}).out, "{\"tip\":[349,127],\"base\":[-116,403]}\n");
    EXPECT_EQ(dial({"needle", "-180"}).status, 0);
}

TEST(DialCommand, ScaleListsLabelsMarksAndBand)
{
    const std::string out = dial({"scale"}).out;
    EXPECT_EQ(out.rfind(R"({"labels":[{"text":"-600","x":0,"y":107},)", 0), 0u);
    EXPECT_NE(out.find(R"({"text":"600","x":349,"y":107}],"majorMarks":[[15,120],)"), std::string::npos);
    EXPECT_NE(out.find(R"("band":[[17,121],)"), std::string::npos);
    EXPECT_NE(out.find("[352,121]]}\n"), std::string::npos);
}

TEST(DialCommand, MalformedCommandLines)
{
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"needle"}, {"needle", "x"}, {"needle", "1", "2"}, {"scale", "5"},
          {"needle", "1", "--range", "2"}, {"needle", "1", "--range"}, {"gauge"}})
        EXPECT_EQ(dial(args).status, 2);
}

}  // namespace
