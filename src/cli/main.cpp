// zqmeter-cli: the program's core units on the command line.

#include "cli/capture_command.h"
#include "cli/chart_command.h"
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

namespace {

constexpr const char* kUsage =
    "usage: zqmeter-cli <command> [options]\n"
    "commands:\n"
    "  decode [--decimal C]        decode meter frames from standard input, one per line\n"
    "  dial needle V [--range T]   where the dial draws the needle for value V\n"
    "  dial scale [--range T]      where the dial draws its scale\n"
    "  devices                     list the HID devices and how they open\n"
    "  replay [--decimal C] [--repeat on|off] [--interval N] [--limit N]\n"
    "         [--clock HH:MM:SS] [--open FILE]... [--save FILE]\n"
    "                              feed input reports (hex bytes, one report per line)\n"
    "                              to the frame assembly, decoder and record table\n"
    "  capture FILE [--demo]       connect and write every input report to FILE\n"
    "                              in the replay format, until Ctrl+C\n"
    "  log FILE [--demo] [--interval N] [--repeat on|off] [--limit N] [--append]\n"
    "      [--csv FILE2] [--high X] [--low Y] [--hysteresis H]\n"
    "                              connect and record the readings into FILE (and FILE2\n"
    "                              as CSV) row by row, until Ctrl+C or the limit; tell\n"
    "                              when a reading crosses --high or --low\n"
    "  chart                       page a trend chart by commands from standard input\n"
    "  report IN [--pdf OUT] [--html OUT] [--txt OUT] [--csv OUT]\n"
    "                              the data report of record file IN, or its page count\n"
    "  convert IN... OUT           load the record files IN in order, save them as OUT\n"
    "  stats IN...                 load the record files IN in order and print the\n"
    "                              statistics of their readings, one JSON line per unit\n";

}  // namespace

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
        std::cerr << kUsage;
        return 2;
    }
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
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
        std::cout << kUsage;
        return 0;
    }
    std::cerr << kUsage;
    return 2;
}
