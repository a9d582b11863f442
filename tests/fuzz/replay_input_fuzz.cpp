// zqmeter-cli replay on any input: the first line gives the options (words
// separated by blanks; the file options are left out, they would touch the
// disk), the rest is the report file. It must end with exit status 0, 1 or 2,
// print only whole JSON lines, end a run that succeeds with the summary, and
// record no more rows than frames were decoded.

#include "fuzz_check.h"

#include "cli/replay_command.h"

#include <algorithm>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t lineEnd = input.find('\n');
    const std::string_view optionLine = input.substr(0, lineEnd);
    const std::string_view reports = lineEnd == std::string_view::npos ? std::string_view() : input.substr(lineEnd + 1);

    std::vector<std::string> args;
    std::size_t at = 0;
    while (at < optionLine.size()) {
        const std::size_t end = std::min(optionLine.find(' ', at), optionLine.size());
        if (end > at)
            args.emplace_back(optionLine.substr(at, end - at));
        at = end + 1;
    }
    for (const std::string& arg : args)
        if (arg == "--open" || arg == "--save")
            return 0;
    // Without --clock the rows would carry the time of day of the run.
    if (std::find(args.begin(), args.end(), "--clock") == args.end()) {
        args.emplace_back("--clock");
        args.emplace_back("12:00:00");
    }

    std::istringstream in{std::string(reports)};
    std::ostringstream out, err;
    const int status = runReplayCommand(args, in, out, err);
    FUZZ_CHECK(status >= 0 && status <= 2);

    std::istringstream printed(out.str());
    std::string line, last;
    long decoded = 0;
    while (std::getline(printed, line)) {
        FUZZ_CHECK(line.size() >= 2 && line.front() == '{' && line.back() == '}');
        if (line.find("\"decoded\":true") != std::string::npos)
            ++decoded;
        last = line;
    }
    if (status == 2)
        FUZZ_CHECK(out.str().empty() && !err.str().empty());
    if (status == 0) {
        FUZZ_CHECK(last.rfind("{\"IdleReportCount\":", 0) == 0);
        const std::size_t rows = last.find("\"Rows\":");
        FUZZ_CHECK(rows != std::string::npos);
        FUZZ_CHECK(std::stol(last.substr(rows + 7)) <= decoded);
    }
    return 0;
}
