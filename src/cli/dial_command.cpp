#include "cli/dial_command.h"

#include "cli/command_help.h"
#include "cli/json_line.h"
#include "meter/dial_geometry.h"
#include "meter/whole_number.h"

#include <optional>
#include <ostream>
#include <string_view>

namespace {

const std::string kUsage = commandUsage("dial");

std::string pointList(const std::vector<DialPoint>& points)
{
    std::string out = "[";
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (i)
            out += ',';
        out += JsonLine::pair(points[i].x, points[i].y);
    }
    return out + ']';
}

}  // namespace

int runDialCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    auto usage = [&] {
        err << kUsage;
        return 2;
    };
    if (args.empty() || (args[0] != "needle" && args[0] != "scale"))
        return usage();
    const bool needle = args[0] == "needle";

    std::optional<int32_t> value;
    std::optional<int32_t> type;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--range" && i + 1 < args.size() && !type) {
            type = parseWholeNumber(args[++i]);
            if (!type || (*type != 0 && *type != 1 && *type != 3))
                return usage();
        } else if (needle && !value && (value = parseWholeNumber(args[i]))) {
            continue;
        } else {
            return usage();
        }
    }
    if (needle && !value)
        return usage();

    DialRange range;
    range.SelectDialRange(type.value_or(0));
    const DialGeometry geometry(kDialPanelWidth, kDialPanelHeight);
    JsonLine json;
    if (needle) {
        const DialNeedle drawn = geometry.needle(*value, range.DialStep);
        json.raw("tip", JsonLine::pair(drawn.tip.x, drawn.tip.y))
            .raw("base", JsonLine::pair(drawn.base.x, drawn.base.y));
    } else {
        const DialScale scale = geometry.scale(range);
        std::string labels = "[";
        for (std::size_t i = 0; i < scale.labels.size(); ++i) {
            const DialLabel& label = scale.labels[i];
            JsonLine entry;
            entry.string("text", label.text).integer("x", label.topLeft.x).integer("y", label.topLeft.y);
            labels += (i ? "," : "") + entry.finish();
        }
        json.raw("labels", labels + "]")
            .raw("majorMarks", pointList(scale.majorMarks))
            .raw("band", pointList(scale.band));
    }
    out << json.finish() << '\n';
    return 0;
}
