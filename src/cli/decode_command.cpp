#include "cli/decode_command.h"

#include "app/locale_decimal.h"
#include "app/meter_session.h"
#include "cli/command_help.h"
#include "cli/json_line.h"
#include "cli/reading_json.h"
#include "meter/meter_frame.h"

#include <istream>
#include <optional>
#include <ostream>
#include <string_view>

namespace {

const std::string kUsage = commandUsage("decode");

// The cable hands on only whole meter frames; say why a line is not one.
std::optional<std::string_view> rejectedByFrameAssembly(std::string_view line)
{
    if (isMeterFrame(line))
        return std::nullopt;
    if (line.size() != kMeterFrameLength)
        return "not 26 characters";
    return "does not end in DA";
}

}  // namespace

int runDecodeCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                     std::ostream& err)
{
    std::optional<std::string> decimal;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--decimal" && i + 1 < args.size() && !decimal) {
            decimal = args[++i];
        } else if (arg.starts_with("--decimal=") && !decimal) {
            decimal = arg.substr(std::string_view("--decimal=").size());
        } else {
            err << kUsage;
            return 2;
        }
    }

    MeterSession session;
    session.FormCreate(decimal ? *decimal : systemLocaleDecimal());

    std::string line;
    std::string output;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
            line.pop_back();
        if (line.empty())
            continue;

        JsonLine json;
        json.string("frame", line);
        std::optional<std::string_view> reason = rejectedByFrameAssembly(line);
        if (!reason && session.ShowDataQ7(line) != FrameOutcome::Decoded)
            reason = session.decoder().lastDropReason();
        if (reason) {
            json.boolean("decoded", false).string("reason", *reason);
        } else {
            json.boolean("decoded", true);
            appendReadingState(json, session);
        }
        output = json.finish();
        output += '\n';
        out << output;
    }
    out.flush();
    return 0;
}
