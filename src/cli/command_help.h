#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

/// What `zqmeter-cli COMMAND --help` prints: the command's usage lines and
/// a line or two per option. The manual page zqmeter-cli(1) tells the same
/// at length; a test holds both to the same options.
struct CommandHelp {
    /// The command word, "decode".
    std::string_view name;
    /// The usage lines without "usage: ", each after the first indented to
    /// line up under it.
    std::string_view usage;
    /// One line: what the command does.
    std::string_view summary;
    /// The options and operands, one block each, or empty.
    std::string_view options;
};

/// Every command, in the order the program's help lists them.
std::span<const CommandHelp> commandHelps();

/// The help of @p name; nullptr for a word that is no command.
const CommandHelp* commandHelp(std::string_view name);

/// "usage: " and the usage lines of @p name: what a malformed command line
/// prints. @p name must be a command.
std::string commandUsage(std::string_view name);

/// The whole help of @p help: usage, summary and options.
std::string commandHelpText(const CommandHelp& help);

/// `zqmeter-cli --help`: every command with its usage and summary.
std::string programHelpText();

/// Whether @p args (those after the command word) ask for help: "--help"
/// or "-h" anywhere among them.
bool asksForHelp(const std::vector<std::string>& args);
