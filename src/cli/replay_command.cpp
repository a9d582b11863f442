#include "cli/replay_command.h"

#include "app/locale_decimal.h"
#include "app/main_window_state.h"
#include "cli/json_line.h"
#include "cli/reading_json.h"

#include <istream>
#include <optional>
#include <ostream>
#include <string_view>

namespace {

constexpr std::string_view kUsage = "usage: zqmeter-cli replay [--decimal C] < reports.txt\n";

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Two hexadecimal digits per byte, bytes separated by blanks; false for
// anything else, or a report too long for the 16-bit size after its ID.
bool parseReport(std::string_view line, std::vector<uint8_t>& bytes)
{
    bytes.clear();
    std::size_t at = 0;
    while (at < line.size()) {
        if (isBlank(line[at])) {
            ++at;
            continue;
        }
        if (at + 1 >= line.size() || (at + 2 < line.size() && !isBlank(line[at + 2])))
            return false;
        const int high = hexValue(line[at]);
        const int low = hexValue(line[at + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes.push_back(static_cast<uint8_t>(high << 4 | low));
        at += 2;
    }
    return !bytes.empty() && bytes.size() <= 65536;
}

}  // namespace

int runReplayCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                     std::ostream& err)
{
    std::optional<std::string> decimal;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--decimal" && i + 1 < args.size() && !decimal) {
            decimal = args[++i];
        } else {
            err << kUsage;
            return 2;
        }
    }

    MainWindowState state;
    state.FormCreate(decimal ? *decimal : systemLocaleDecimal(), std::string());
    const CableConnection& link = state.link();

    std::string line;
    std::vector<uint8_t> report;
    std::size_t lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
            line.pop_back();
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#')
            continue;
        if (!parseReport(line, report)) {
            out.flush();
            err << "zqmeter-cli replay: line " << lineNumber << ": not hexadecimal bytes\n";
            return 1;
        }

        const bool pending = link.FramePending();
        const uint64_t decodedBefore = state.decoder().decodedFrames();
        state.ReadReport(report[0], report.data() + 1, static_cast<uint16_t>(report.size() - 1));
        if (!pending || link.FramePending())
            continue;

        JsonLine json;
        json.string("MeterFrame", link.MeterFrame());
        const bool decoded = state.decoder().decodedFrames() != decodedBefore;
        json.boolean("decoded", decoded);
        if (decoded)
            appendReadingState(json, state);
        out << json.finish() << '\n';
    }

    JsonLine summary;
    summary.integer("IdleReportCount", link.IdleReportCount())
        .integer("HistoryLines", static_cast<int64_t>(link.HistoryListBox().size()));
    out << summary.finish() << '\n';
    out.flush();
    return 0;
}
