#include "cli/command_help.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace {

using Options = std::set<std::string>;

Options optionsIn(const std::string& text, const std::regex& option)
{
    Options found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), option); it != std::sregex_iterator(); ++it)
        found.insert((*it)[1].str());
    return found;
}

/// Per command section (".SS name") of the manual page, the options it
/// names, written as roff writes them: "\-\-name".
std::map<std::string, Options> manualOptions()
{
    std::ifstream page(ZQ_MAN_DIR "/zqmeter-cli.1");
    EXPECT_TRUE(page) << ZQ_MAN_DIR "/zqmeter-cli.1";
    const std::regex option(R"(\\-\\-([a-z]+))");
    std::map<std::string, Options> sections;
    std::string section;
    std::string text;
    std::string line;
    const auto close = [&] {
        if (!section.empty())
            sections[section] = optionsIn(text, option);
        section.clear();
        text.clear();
    };
    while (std::getline(page, line)) {
        if (line.starts_with(".SH") || line.starts_with(".SS"))
            close();
        if (line.starts_with(".SS "))
            section = line.substr(4);
        else
            text += line + '\n';
    }
    close();
    return sections;
}

struct CliRun {
    int status = -1;
    std::string out;
};

CliRun runCli(const std::string& arguments)
{
    CliRun run;
    FILE* pipe = ::popen((std::string("'" ZQMETER_CLI "' ") + arguments + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return run;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        run.out.append(buffer, n);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(CommandHelp, ManualPageAndHelpNameTheSameCommandsAndOptions)
{
    const std::map<std::string, Options> manual = manualOptions();
    const std::regex option(R"(--([a-z]+))");
    std::set<std::string> commands;
    for (const CommandHelp& help : commandHelps()) {
        SCOPED_TRACE(std::string(help.name));
        commands.insert(std::string(help.name));
        const auto section = manual.find(std::string(help.name));
        ASSERT_NE(section, manual.end()) << "no .SS section in zqmeter-cli.1";
        const Options inUsage = optionsIn(std::string(help.usage), option);
        EXPECT_EQ(optionsIn(std::string(help.options), option), inUsage) << "each option of the usage is explained";
        EXPECT_EQ(section->second, inUsage);
    }
    for (const auto& [name, options] : manual)
        EXPECT_TRUE(commands.count(name)) << "zqmeter-cli.1 tells of a command the program lacks: " << name;
}

TEST(CommandHelp, EveryCommandPrintsItsHelpAndSucceeds)
{
    for (const CommandHelp& help : commandHelps()) {
        for (const char* ask : {"--help", "-h"}) {
            SCOPED_TRACE(std::string(help.name) + " " + ask);
            const CliRun run = runCli(std::string(help.name) + " " + ask);
            EXPECT_EQ(run.status, 0);
            EXPECT_EQ(run.out, commandHelpText(help));
        }
    }
    // Help asked for after other arguments, even ones that would fail.
    const CliRun late = runCli("report missing.txt --bogus --help");
    EXPECT_EQ(late.status, 0);
    EXPECT_EQ(late.out, commandHelpText(*commandHelp("report")));
}

TEST(CommandHelp, ProgramHelpListsEveryCommandWithItsOptions)
{
    for (const char* ask : {"--help", "-h", "help"}) {
        SCOPED_TRACE(ask);
        const CliRun run = runCli(ask);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, programHelpText());
    }
    const std::string text = programHelpText();
    const std::regex option(R"(--([a-z]+))");
    for (const CommandHelp& help : commandHelps()) {
        SCOPED_TRACE(std::string(help.name));
        EXPECT_NE(text.find("\n  " + std::string(help.name)), std::string::npos);
        const Options all = optionsIn(text, option);
        for (const std::string& name : optionsIn(std::string(help.usage), option))
            EXPECT_TRUE(all.count(name)) << name;
    }
    EXPECT_EQ(runCli("").status, 2);
    EXPECT_EQ(runCli("bogus").status, 2);
}

TEST(CommandHelp, UsageIsTheFirstLinesOfTheHelp)
{
    for (const CommandHelp& help : commandHelps()) {
        SCOPED_TRACE(std::string(help.name));
        const std::string usage = commandUsage(help.name);
        EXPECT_TRUE(usage.starts_with("usage: zqmeter-cli " + std::string(help.name)));
        EXPECT_TRUE(commandHelpText(help).starts_with(usage));
    }
    EXPECT_EQ(commandHelp("bogus"), nullptr);
    EXPECT_EQ(commandUsage("bogus"), "");
}

TEST(CommandHelp, AsksForHelpAnywhereAmongTheArguments)
{
    const std::pair<std::vector<std::string>, bool> cases[] = {
        {{}, false},
        {{"--help"}, true},
        {{"-h"}, true},
        {{"meter.txt", "--csv", "m.csv", "--help"}, true},
        {{"--helpful"}, false},
        {{"-H"}, false},
    };
    for (const auto& [args, expected] : cases)
        EXPECT_EQ(asksForHelp(args), expected) << ::testing::PrintToString(args);
}

}  // namespace
