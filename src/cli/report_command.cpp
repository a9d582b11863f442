#include "cli/report_command.h"

#include "cli/command_help.h"
#include "record/record_file.h"
#include "record/record_table.h"
#include "report/data_report.h"
#include "report/record_table_rows.h"
#include "report/report_file_sinks.h"
#include "report/report_job.h"

#include <QGuiApplication>

#include <algorithm>
#include <memory>
#include <ostream>
#include <utility>

namespace {

const std::string kUsage = commandUsage("report");

struct Output {
    ReportFileForm form;
    std::string path;
};

// Fonts for a PDF need a GUI application; nothing is shown, so the
// offscreen platform serves wherever there is no display.
std::unique_ptr<QGuiApplication> guiApplicationForPdf()
{
    if (QCoreApplication::instance())
        return nullptr;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "zqmeter-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

int runReportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                     const ReportTableLoader& load)
{
    const std::pair<const char*, ReportFileForm> options[] = {
        {"--pdf", ReportFileForm::Pdf},
        {"--html", ReportFileForm::Html},
        {"--txt", ReportFileForm::Text},
        {"--csv", ReportFileForm::Csv},
    };
    std::string input;
    std::vector<Output> outputs;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const auto option = std::find_if(std::begin(options), std::end(options),
                                         [&](const auto& o) { return args[i] == o.first; });
        if (option != std::end(options)) {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                err << kUsage;
                return 2;
            }
            outputs.push_back({option->second, args[++i]});
        } else if (input.empty() && !args[i].empty() && args[i][0] != '-') {
            input = args[i];
        } else {
            err << kUsage;
            return 2;
        }
    }
    if (input.empty()) {
        err << kUsage;
        return 2;
    }

    RecordTable table;
    RecordFileError error;
    if (!load || !load(input, table, error)) {
        err << "Failed to Load File!\n" << error.describe(input) << '\n';
        return 1;
    }
    const RecordTableRows rows(table);
    const DataReport report(rows, currentReportPrintDate());
    if (outputs.empty()) {
        out << report.pageCount() << '\n';
        return 0;
    }

    std::unique_ptr<QGuiApplication> application;
    if (std::any_of(outputs.begin(), outputs.end(), [](const Output& o) { return o.form == ReportFileForm::Pdf; }))
        application = guiApplicationForPdf();

    int status = 0;
    for (const Output& output : outputs) {
        ReportJob job(makeReportFileSink(output.form, report, QString::fromLocal8Bit(output.path.c_str())), 1,
                      report.pageCount());
        if (job.run() != ReportJob::Status::Done) {
            err << job.errorText() << '\n';
            status = 1;
        }
    }
    return status;
}

int runReportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    return runReportCommand(args, out, err, [](const std::string& path, RecordTable& table, RecordFileError& error) {
        return LoadTable(path, table, true, &error);
    });
}
