#include "app/help_file_location.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

struct LocationCase {
    const char* name;
    const char* programFolder;
    std::set<std::string> files;  ///< the help files that exist
    const char* expected;
};

const LocationCase kCases[] = {
    {"the build tree: beside the program", "/build/bin/", {"/build/bin/zq7.hlp"}, "/build/bin/zq7.hlp"},
    {"installed: in the data folder", "/usr/bin/", {"/usr/bin/../share/zqmeter/zq7.hlp"}, "/usr/bin/../share/zqmeter/zq7.hlp"},
    {"a copy beside the installed program wins",
     "/usr/bin/",
     {"/usr/bin/zq7.hlp", "/usr/bin/../share/zqmeter/zq7.hlp"},
     "/usr/bin/zq7.hlp"},
    {"neither: the message names the place beside the program", "/usr/bin/", {}, "/usr/bin/zq7.hlp"},
};

TEST(HelpFileLocation, BesideTheProgramFirstThenTheDataFolder)
{
    for (const LocationCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const auto exists = [&](const std::string& path) { return c.files.count(path) > 0; };
        EXPECT_EQ(helpFileLocation(c.programFolder, "../share/zqmeter", exists), c.expected);
    }
}

TEST(HelpFileLocation, KeepsTheProgramFoldersSeparator)
{
    const auto exists = [](const std::string& path) { return path == "C:\\zqmeter\\..\\share\\zqmeter\\zq7.hlp"; };
    EXPECT_EQ(helpFileLocation("C:\\zqmeter\\", "..\\share\\zqmeter", exists),
              "C:\\zqmeter\\..\\share\\zqmeter\\zq7.hlp");
    EXPECT_EQ(helpFileLocation("/opt/zq/bin/", "", [](const std::string&) { return false; }), "/opt/zq/bin/zq7.hlp");
}

}  // namespace
