#include "cli/command_help.h"

#include <algorithm>
#include <iterator>

namespace {

// A plain array, so a command left out of a build takes its entry with it.
constexpr CommandHelp kCommands[] = {
    {"decode", "zqmeter-cli decode [--decimal C]",
     "Decodes meter frames (26 hexadecimal digits ending in DA) from standard input, one per line,\n"
     "and prints one JSON object per frame.",
     "  --decimal C      the decimal separator of the reading texts (default: the system locale's)\n"},
    {"dial",
     "zqmeter-cli dial needle V [--range T]\n"
     "       zqmeter-cli dial scale [--range T]",
     "Prints where the dial draws the needle for the needle value V, or its scale, as JSON.",
     "  V                the needle value, a whole number\n"
     "  --range T        the dial range type: 0 (power, frequency; default), 1 (phase angle),\n"
     "                   3 (power factor)\n"},
    {"devices", "zqmeter-cli devices [--demo]",
     "Lists every HID device found, how it opens, its caption in the program's device list, and\n"
     "marks with * the cable the program would connect to.",
     "  --demo           add the simulated cable with a meter behind it\n"},
    {"capture", "zqmeter-cli capture FILE [--demo]",
     "Connects to the cable and writes every input report to FILE, one per line as hexadecimal\n"
     "bytes with # time stamps, until Ctrl+C.",
     "  FILE             the capture to write (replaced)\n"
     "  --demo           add the simulated cable with a meter behind it\n"},
    {"replay",
     "zqmeter-cli replay [--decimal C] [--repeat on|off] [--interval N] [--limit N]\n"
     "                          [--clock HH:MM:SS] [--open FILE]... [--save FILE] < reports.txt",
     "Feeds input reports from standard input to the frame assembly, decoder and record table\n"
     "as the window would, and prints one JSON object per frame and a summary.",
     "  --decimal C      the decimal separator (default: the system locale's)\n"
     "  --repeat on|off  the Repeat box (default: on)\n"
     "  --interval N     Sampling Interval ticked, N whole seconds (default: not ticked)\n"
     "  --limit N        the record limit (default: 10000)\n"
     "  --clock HH:MM:SS the time of day the replay starts at (default: the system clock)\n"
     "  --open FILE      load a record file first, as Open Data does; may be repeated\n"
     "  --save FILE      save the records at the end, as Save Data does (.xml: XML data packet)\n"},
    {"log",
     "zqmeter-cli log FILE [--demo] [--interval N] [--repeat on|off] [--limit N] [--append]\n"
     "                       [--csv FILE2] [--high X] [--low Y] [--hysteresis H]",
     "Connects and records the readings into FILE (and FILE2 as CSV) row by row, until Ctrl+C,\n"
     "SIGTERM or the record limit; tells when a reading crosses --high or --low.",
     "  FILE             the record text form, written row by row (not a name ending in .xml)\n"
     "  --demo           add the simulated cable with a meter behind it\n"
     "  --interval N     record every N seconds (default: every change of the reading)\n"
     "  --repeat on|off  record a reading equal to the one before (default: on)\n"
     "  --limit N        the record limit (default: 10000)\n"
     "  --append         go on after the rows FILE (and FILE2) hold, numbering on\n"
     "  --csv FILE2      also write the rows as CSV (UTF-8, ISO 8601 times)\n"
     "  --high X         tell when the main reading goes above X and comes back\n"
     "  --low Y          tell when the main reading goes below Y and comes back\n"
     "  --hysteresis H   how far back a reading must come to clear a limit (default: 0)\n"},
    {"chart", "zqmeter-cli chart < commands",
     "Pages an in-memory trend chart by commands from standard input, one a line, and prints one\n"
     "JSON object per command.",
     "  commands: add V | first | prior | next | last | maxrecord TEXT | clear | fill 0|1 |\n"
     "            min X | max X\n"},
#ifdef ZQ_CLI_REPORT
    {"report", "zqmeter-cli report IN [--pdf OUT] [--html OUT] [--txt OUT] [--csv OUT]",
     "Writes the data report of the record file IN to each output given, or prints its page\n"
     "count when none is given.",
     "  IN               the record file to report\n"
     "  --pdf OUT        write the report as PDF (A4 pages)\n"
     "  --html OUT       write the report as HTML\n"
     "  --txt OUT        write the report as text\n"
     "  --csv OUT        write the report as CSV\n"},
#endif
    {"convert", "zqmeter-cli convert IN... OUT",
     "Loads the record files IN in order as Open Data does and saves them as OUT as Save Data\n"
     "does.",
     "  IN...            record files: text files add their rows, an XML data packet replaces them\n"
     "  OUT              the file to save: exactly .xml for the XML data packet, else text\n"},
    {"stats", "zqmeter-cli stats IN...",
     "Loads the record files IN in order and prints the statistics of their readings, one JSON\n"
     "line per field and unit, then the rows and their duration.",
     "  IN...            record files, loaded as convert loads them\n"},
};

template <class Visit> void forEachLine(std::string_view text, Visit&& visit)
{
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        visit(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
}

constexpr std::string_view kHelpOption = "  -h, --help       show this help and exit\n";

}  // namespace

std::span<const CommandHelp> commandHelps() { return kCommands; }

const CommandHelp* commandHelp(std::string_view name)
{
    const auto found = std::find_if(std::begin(kCommands), std::end(kCommands),
                                    [&](const CommandHelp& help) { return help.name == name; });
    return found == std::end(kCommands) ? nullptr : &*found;
}

std::string commandUsage(std::string_view name)
{
    const CommandHelp* help = commandHelp(name);
    return help ? "usage: " + std::string(help->usage) + "\n" : std::string();
}

std::string commandHelpText(const CommandHelp& help)
{
    std::string text = "usage: " + std::string(help.usage) + "\n\n" + std::string(help.summary) + "\n\n";
    text += help.options;
    text += kHelpOption;
    return text;
}

std::string programHelpText()
{
    std::string text = "usage: zqmeter-cli COMMAND [options]\n"
                       "       zqmeter-cli COMMAND --help\n"
                       "\n"
                       "commands:\n";
    for (const CommandHelp& help : kCommands) {
        // Usage lines are indented to follow "usage: "; here they follow the
        // margin, continuation lines a little further in.
        bool first = true;
        forEachLine(help.usage, [&](std::string_view line) {
            line.remove_prefix(std::min(line.find_first_not_of(' '), line.size()));
            if (line.starts_with("zqmeter-cli "))
                line.remove_prefix(std::string_view("zqmeter-cli ").size());
            text += first ? "  " : "      ";
            text += line;
            text += '\n';
            first = false;
        });
        forEachLine(help.summary, [&](std::string_view line) {
            text += "        ";
            text += line;
            text += '\n';
        });
    }
    text += "\n"
            "'zqmeter-cli COMMAND --help' tells a command's options; the manual page zqmeter-cli(1)\n"
            "tells everything.\n";
    return text;
}

bool asksForHelp(const std::vector<std::string>& args)
{
    return std::any_of(args.begin(), args.end(), [](const std::string& arg) { return arg == "--help" || arg == "-h"; });
}
