#include "report/report_html_sink.h"

#include "report/data_report.h"

#include <cstdio>

namespace {

void appendEscaped(std::string& out, std::string_view text)
{
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
}

std::string number(double value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
    return buffer;
}

}  // namespace

bool ReportHtmlSink::writeStart()
{
    return write(
        "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"windows-1252\">\n"
        "<title>Data Report</title>\n<style>\n"
        "body { background: #808080; margin: 0; }\n"
        ".page { position: relative; width: 210mm; height: 297mm; margin: 5mm auto; background: #fff;"
        " overflow: hidden; page-break-after: always; }\n"
        ".page div { position: absolute; white-space: pre; color: #000;"
        " font-family: Arial, 'Liberation Sans', sans-serif; line-height: 1.15; }\n"
        "@media print { body { background: none; } .page { margin: 0; } }\n"
        "@page { size: A4; margin: 0; }\n"
        "</style>\n</head>\n<body>\n");
}

bool ReportHtmlSink::writeReportPage(int pageNumber)
{
    const ReportPage page = report().page(pageNumber);
    std::string out = "<div class=\"page\">\n";
    for (const ReportItem& item : page.items) {
        out += "<div style=\"left:" + number(item.leftMm) + "mm;top:" + number(item.topMm) +
               "mm;font-size:" + number(item.font.pointSize) + "pt";
        if (item.font.bold)
            out += ";font-weight:bold";
        if (item.hasBox())
            out += ";width:" + number(item.boxWidthMm) + "mm;height:" + number(item.boxHeightMm) +
                   "mm;line-height:" + number(item.boxHeightMm) + "mm;text-align:center";
        out += "\">";
        appendEscaped(out, item.text);
        out += "</div>\n";
    }
    out += "</div>\n";
    return write(out);
}

bool ReportHtmlSink::writeEnd()
{
    return write("</body>\n</html>\n");
}
