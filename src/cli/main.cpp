// zqmeter-cli: the program's core units on the command line.

#include "cli/capture_command.h"
#include "cli/chart_command.h"
#include "cli/command_help.h"
#include "cli/convert_command.h"
#include "cli/decode_command.h"
#include "cli/devices_command.h"
#include "cli/dial_command.h"
#include "cli/log_command.h"
#include "cli/replay_command.h"
#ifdef ZQ_CLI_REPORT
#include "cli/report_command.h"
#endif
#include "cli/stats_command.h"

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv)
{
#ifdef _WIN32
    // Byte for byte as on every other system: no CR put before each line end
    // of what we print, none taken away from what we read.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    std::ios::sync_with_stdio(false);
    if (argc < 2) {
        std::cerr << programHelpText();
        return 2;
    }
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (const CommandHelp* help = commandHelp(command); help && asksForHelp(args)) {
        std::cout << commandHelpText(*help);
        return 0;
    }
    if (command == "decode")
        return runDecodeCommand(args, std::cin, std::cout, std::cerr);
    if (command == "devices")
        return runDevicesCommand(args, std::cout, std::cerr);
    if (command == "capture")
        return runCaptureCommand(args, std::cerr);
    if (command == "log")
        return runLogCommand(args, std::cout, std::cerr);
    if (command == "replay")
        return runReplayCommand(args, std::cin, std::cout, std::cerr);
    if (command == "chart")
        return runChartCommand(args, std::cin, std::cout, std::cerr);
    if (command == "report") {
#ifdef ZQ_CLI_REPORT
        return runReportCommand(args, std::cout, std::cerr);
#else
        std::cerr << "zqmeter-cli: this build has no report command (it needs Qt)\n";
        return 2;
#endif
    }
    if (command == "convert")
        return runConvertCommand(args, std::cout, std::cerr);
    if (command == "stats")
        return runStatsCommand(args, std::cout, std::cerr);
    if (command == "dial")
        return runDialCommand(args, std::cout, std::cerr);
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << programHelpText();
        return 0;
    }
    std::cerr << programHelpText();
    return 2;
}
