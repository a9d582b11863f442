#include "cli/chart_command.h"

#include "chart/chart_panel_state.h"
#include "cli/command_help.h"
#include "cli/json_line.h"

#include <charconv>
#include <cmath>
#include <istream>
#include <optional>
#include <ostream>
#include <string_view>

namespace {

const std::string kUsage = commandUsage("chart");

std::optional<double> parseNumber(std::string_view text)
{
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

/// Runs one command line; false when it is not a command.
bool run(std::string_view line, ChartPanelState& chart, std::optional<int32_t>& returned)
{
    const std::size_t blank = line.find(' ');
    const std::string_view word = line.substr(0, blank);
    const bool hasArgument = blank != std::string_view::npos;
    const std::string_view argument = hasArgument ? line.substr(blank + 1) : std::string_view();
    TChartControl& control = chart.ChartControl();

    if (word == "maxrecord") {
        chart.setMaxrecordText(std::string(argument));
        chart.Timer_rangeTimer();
        return true;
    }
    if (!hasArgument) {
        if (word == "first")
            returned = chart.BtFirstClick();
        else if (word == "prior")
            returned = chart.BTPreviousClick();
        else if (word == "next")
            returned = chart.BtNextClick();
        else if (word == "last")
            returned = chart.BTlastClick();
        else if (word == "clear")
            returned = control.ClearChart();
        else
            return false;
        return true;
    }
    if (word == "fill") {
        if (argument != "0" && argument != "1")
            return false;
        chart.BtFillClick(argument == "1");
        return true;
    }
    const std::optional<double> number = parseNumber(argument);
    if (!number)
        return false;
    if (word == "add")
        returned = chart.ShowReading(*number);
    else if (word == "min")
        control.SetValueMin(*number);
    else if (word == "max")
        control.SetValueMax(*number);
    else
        return false;
    return true;
}

std::string report(std::string_view line, std::optional<int32_t> returned, const ChartPanelState& chart)
{
    const TChartControl& control = chart.ChartControl();
    const ChartEngine& engine = control.Chart();
    JsonLine json;
    json.string("op", line)
        .optionalInteger("Returned", returned)
        .integer("CurrentPage", control.CurrentPage())
        .integer("PageCount", control.PageCount())
        .integer("PageSize", control.PageSize())
        .boolean("Browsing", control.Browsing())
        .number("AxisMin", engine.bottomAxisRange().min)
        .number("AxisMax", engine.bottomAxisRange().max)
        .integer("Points", engine.pointCount())
        .string("Bt10", chart.Bt10Caption())
        .string("Maxrecord", chart.MaxrecordText())
        .boolean("Fill", control.Fill())
        .boolean("AreaVisible", engine.areaVisible())
        .number("ValueAxisMin", engine.valueAxisRange().min)
        .number("ValueAxisMax", engine.valueAxisRange().max);
    return json.finish();
}

}  // namespace

int runChartCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err)
{
    if (!args.empty()) {
        err << kUsage;
        return 2;
    }
    ChartPanelState chart;
    std::string text;
    for (int64_t number = 1; std::getline(in, text); ++number) {
        std::string_view line = text;
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#')
            continue;
        std::optional<int32_t> returned;
        if (!run(line, chart, returned)) {
            out.flush();
            err << "zqmeter-cli chart: line " << number << ": not a command: " << line << '\n';
            return 2;
        }
        out << report(line, returned, chart) << '\n';
    }
    return 0;
}
