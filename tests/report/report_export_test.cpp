#include "report/data_report.h"
#include "report/report_file_loader.h"
#include "report/report_file_sinks.h"
#include "report/report_job.h"
#include "report_fixture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cmath>
#include <sstream>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

std::string readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    const QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

void writeFile(const QString& path, std::string_view bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), qint64(bytes.size()));
}

ReportJob::Status exportReport(ReportFileForm form, const DataReport& report, const QString& path)
{
    ReportJob job(makeReportFileSink(form, report, path), 1, report.pageCount());
    return job.run();
}

// A line of the text export: each text at its character column.
std::string textLine(std::initializer_list<std::pair<int, std::string>> texts)
{
    std::string line;
    for (const auto& [column, text] : texts) {
        line.append(std::size_t(column) - line.size(), ' ');
        line += text;
    }
    return line + '\n';
}

ReportRowList awkwardRows()
{
    ReportRowList rows({"No", "Time", "Value", "Unit", "V_Value", "V_Unit", "I_Value", "I_Unit"});
    rows.addRow({"1", "10:00:00", "1,5", "KW", "", "v", std::nullopt, "A"});
    rows.addRow({"2", "10:00:01", "say \"hi\"", "\xB0", "tab\there", "back\\slash", "line\nbreak", "A"});
    return rows;
}

class ReportExport : public testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

TEST_F(ReportExport, CsvHasTheHeaderThenOneLinePerRow)
{
    const ReportRowList rows = awkwardRows();
    const DataReport report(rows, "10.12.26");
    ASSERT_EQ(exportReport(ReportFileForm::Csv, report, path("r.csv")), ReportJob::Status::Done);
    EXPECT_EQ(readFile(path("r.csv")),
              "No,Time,Value,Unit,v_value,v_unit,i_value,i_unit\r\n"
              "1,10:00:00,\"1,5\",KW,,v,,A\r\n"
              "2,10:00:01,\"say \"\"hi\"\"\",\xB0,tab\there,back\\slash,\"line\nbreak\",A\r\n");
}

TEST_F(ReportExport, CsvOfAnEmptyTableIsItsHeader)
{
    const auto rows = makeReportRows(0);
    const DataReport report(*rows, "d");
    ASSERT_EQ(exportReport(ReportFileForm::Csv, report, path("e.csv")), ReportJob::Status::Done);
    EXPECT_EQ(readFile(path("e.csv")), "No,Time,Value,Unit,v_value,v_unit,i_value,i_unit\r\n");
}

TEST_F(ReportExport, TextPlacesEachLineOfEachPage)
{
    const auto rows = makeReportRows(38);
    const DataReport report(*rows, "10.12.26");
    ASSERT_EQ(exportReport(ReportFileForm::Text, report, path("r.txt")), ReportJob::Status::Done);
    const std::string header = textLine({{42, "Data Report"}, {79, "Print Date:"}, {91, "10.12.26"}}) +
                               textLine({{4, "No"}, {14, "Time"}, {28, "Value"}, {38, "Unit"},
                                         {48, "v_value"}, {62, "v_unit"}, {73, "i_value"}, {84, "i_unit"}});
    auto detail = [](int no, const char* time, const char* value) {
        return textLine({{4, std::to_string(no)}, {13, time}, {28, value}, {38, "KW"}, {48, "230.0"},
                         {62, "v"}, {73, "5.00"}, {84, "A"}});
    };
    const std::string text = readFile(path("r.txt"));
    const std::size_t feed = text.find('\f');
    ASSERT_NE(feed, std::string::npos);
    EXPECT_EQ(text.substr(0, header.size() + detail(1, "10:00:00", "1.0").size()),
              header + detail(1, "10:00:00", "1.0"));
    EXPECT_EQ(text.substr(feed + 1), header + detail(38, "10:00:37", "1.37") + textLine({{89, "2"}}));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2 * 3 + 38);
}

TEST_F(ReportExport, TextKeepsOneLinePerRowWhateverTheTextsHold)
{
    const ReportRowList rows = awkwardRows();
    const DataReport report(rows, "d");
    ASSERT_EQ(exportReport(ReportFileForm::Text, report, path("a.txt")), ReportJob::Status::Done);
    const std::string text = readFile(path("a.txt"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 5);
    EXPECT_NE(text.find("tab here"), std::string::npos);
    EXPECT_NE(text.find("line break"), std::string::npos);
}

TEST_F(ReportExport, SavedReportLoadsBackIntoTheSamePages)
{
    const ReportRowList rows = awkwardRows();
    const DataReport report(rows, "10.12.26");
    ASSERT_EQ(exportReport(ReportFileForm::Report, report, path("r.zqr")), ReportJob::Status::Done);

    std::string date;
    std::string error;
    const auto loaded = ReportFileLoader::loadAll(path("r.zqr"), date, error);
    ASSERT_TRUE(loaded) << error;
    const DataReport again(*loaded, date);
    EXPECT_EQ(again.printDate(), "10.12.26");
    ASSERT_EQ(again.rowCount(), 2);
    for (int row = 0; row < 2; ++row)
        for (int c = 0; c < DataReport::kColumnCount; ++c)
            EXPECT_EQ(again.detailText(row, c), report.detailText(row, c)) << row << "," << c;
}

TEST_F(ReportExport, DamagedSavedReportLoadsNothing)
{
    const std::string head = "ZQMETER DATA REPORT 1\ndate\td\nfields\tNo\tTime\nrows\t2\n";
    const std::pair<const char*, std::string> cases[] = {
        {"empty", ""},
        {"other file", "No\tTime\n1\t2\n"},
        {"cut short", head + "1\ta\n"},
        {"last line cut", head + "1\ta\n2\tb"},
        {"too many fields", head + "1\ta\n2\tb\tc\n"},
        {"too few fields", head + "1\ta\n2\n"},
        {"unknown escape", head + "1\ta\n2\t\\q\n"},
        {"absent mark with text", head + "1\ta\n2\tx\\N\n"},
        {"more rows", head + "1\ta\n2\tb\n3\tc\n"},
        {"bad count", "ZQMETER DATA REPORT 1\ndate\td\nfields\tNo\nrows\t-1\n"},
        {"count with text", "ZQMETER DATA REPORT 1\ndate\td\nfields\tNo\nrows\t2x\n"},
    };
    for (const auto& [name, bytes] : cases) {
        writeFile(path("bad.zqr"), bytes);
        std::string date;
        std::string error;
        EXPECT_EQ(ReportFileLoader::loadAll(path("bad.zqr"), date, error), nullptr) << name;
        EXPECT_FALSE(error.empty()) << name;
    }
    writeFile(path("good.zqr"), head + "1\ta\n2\t\\N\r\n");
    std::string date;
    std::string error;
    const auto good = ReportFileLoader::loadAll(path("good.zqr"), date, error);
    ASSERT_TRUE(good) << error;
    EXPECT_EQ(good->fieldText(1, 1), std::nullopt);
    EXPECT_EQ(good->fieldText(0, 1), std::optional<std::string>("a"));
}

TEST_F(ReportExport, CancelledExportLeavesTheFileAsItWas)
{
    const auto rows = makeReportRows(400);
    const DataReport report(*rows, "d");
    for (ReportFileForm form : {ReportFileForm::Csv, ReportFileForm::Pdf}) {
        writeFile(path("keep"), "old content");
        ReportJob job(makeReportFileSink(form, report, path("keep")), 1, report.pageCount());
        ASSERT_EQ(job.step(std::chrono::milliseconds(0)), ReportJob::Status::Running);
        job.cancel();
        EXPECT_EQ(job.status(), ReportJob::Status::Cancelled);
        EXPECT_EQ(readFile(path("keep")), "old content");
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("keep")});
    }
}

TEST_F(ReportExport, ExportToAnUnwritablePlaceFails)
{
    const auto rows = makeReportRows(1);
    const DataReport report(*rows, "d");
    ReportJob job(makeReportFileSink(ReportFileForm::Text, report, path("no/such/folder/r.txt")), 1, 1);
    EXPECT_EQ(job.run(), ReportJob::Status::Failed);
    EXPECT_FALSE(job.errorText().empty());
}

TEST_F(ReportExport, PipeIsWrittenInPlace)
{
#ifdef _WIN32
    GTEST_SKIP() << "named pipes are a POSIX matter here";
#else
    const auto rows = makeReportRows(40);
    const DataReport report(*rows, "d");
    const struct {
        ReportFileForm form;
        const char* name;  // the name exported to: the pipe or a link to it
    } cases[] = {{ReportFileForm::Csv, "pipe"}, {ReportFileForm::Text, "link"}};
    for (const auto& c : cases) {
        ASSERT_EQ(exportReport(c.form, report, path("plain")), ReportJob::Status::Done);
        const std::string expected = readFile(path("plain"));
        ASSERT_LT(expected.size(), 16'000u);  // fits the pipe's buffer, so nothing waits
        QFile::remove(path("pipe"));
        QFile::remove(path("link"));
        ASSERT_EQ(::mkfifo(path("pipe").toLocal8Bit().constData(), 0600), 0);
        ASSERT_TRUE(QFile::link(path("pipe"), path("link")));
        // Open for reading first, without waiting, so the export's open finds a reader.
        const int reader = ::open(path("pipe").toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK);
        ASSERT_GE(reader, 0);

        EXPECT_EQ(exportReport(c.form, report, path(c.name)), ReportJob::Status::Done) << c.name;
        std::string got;
        char buffer[4096];
        for (ssize_t n; (n = ::read(reader, buffer, sizeof buffer)) > 0;)
            got.append(buffer, std::size_t(n));
        ::close(reader);
        EXPECT_EQ(got, expected) << c.name;
        struct stat after {};
        ASSERT_EQ(::stat(path("pipe").toLocal8Bit().constData(), &after), 0);
        EXPECT_TRUE(S_ISFIFO(after.st_mode)) << c.name << ": the pipe was replaced by a file";
    }
#endif
}

TEST_F(ReportExport, HtmlPlacesEachTextAndEscapesIt)
{
    const ReportRowList rows = awkwardRows();
    const DataReport report(rows, "<d>");
    ASSERT_EQ(exportReport(ReportFileForm::Html, report, path("r.html")), ReportJob::Status::Done);
    const std::string html = readFile(path("r.html"));
    EXPECT_NE(html.find("<meta charset=\"windows-1252\">"), std::string::npos);
    EXPECT_NE(html.find("left:181.45mm;top:15.29mm;font-size:7.00pt\">&lt;d&gt;</div>"), std::string::npos);
    EXPECT_NE(html.find("left:65.03mm;top:39.89mm;font-size:10.00pt\">say &quot;hi&quot;</div>"),
              std::string::npos);
    EXPECT_NE(html.find("font-weight:bold;width:69.59mm;height:6.61mm"), std::string::npos);
    EXPECT_EQ(html.substr(html.size() - 16), "</body>\n</html>\n");
}

// One word of pdftotext -bbox: its page and box in points.
struct PdfWord {
    int page;
    double xMin, yMin;
    std::string text;
};

std::vector<PdfWord> pdfWords(const QString& pdf)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    process.waitForFinished(30000);
    const std::string out = process.readAllStandardOutput().toStdString();
    std::vector<PdfWord> words;
    int page = 0;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (line.find("<page ") != std::string::npos) {
            ++page;
            continue;
        }
        double xMin, yMin, xMax, yMax;
        char text[256];
        if (std::sscanf(line.c_str(), " <word xMin=\"%lf\" yMin=\"%lf\" xMax=\"%lf\" yMax=\"%lf\">%255[^<]",
                        &xMin, &yMin, &xMax, &yMax, text) == 5)
            words.push_back({page, xMin, yMin, text});
    }
    return words;
}

TEST_F(ReportExport, PdfPutsTextsWhereThePageHasThem)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    const auto rows = makeReportRows(38);
    const DataReport report(*rows, "10.12.26");
    ASSERT_EQ(exportReport(ReportFileForm::Pdf, report, path("r.pdf")), ReportJob::Status::Done);
    const std::vector<PdfWord> words = pdfWords(path("r.pdf"));

    struct Expected {
        int page;
        const char* text;
        double leftMm, topMm;
    };
    const Expected expected[] = {
        {1, "Print", 168.75, 15.29}, {1, "10.12.26", 181.45, 15.29}, {1, "No", 18.47, 24.81},
        {1, "i_unit", 177.22, 24.81}, {1, "10:00:00", 35.40, 33.28}, {1, "1.36", 65.03, 271.24},
        {2, "38", 18.47, 33.28},      {2, "v", 134.88, 33.28},       {2, "2", 188.86, 280.65},
    };
    // pdftotext boxes a word by its font's ascent, a little off the top of
    // the line; half a millimetre is far below any band offset.
    constexpr double kToleranceMm = 0.5;
    constexpr double kPointsPerMm = 72.0 / 25.4;
    for (const Expected& e : expected) {
        const auto found = std::find_if(words.begin(), words.end(), [&](const PdfWord& w) {
            return w.page == e.page && w.text == e.text &&
                   std::abs(w.xMin / kPointsPerMm - e.leftMm) < kToleranceMm &&
                   std::abs(w.yMin / kPointsPerMm - e.topMm) < kToleranceMm;
        });
        EXPECT_NE(found, words.end()) << e.text << " on page " << e.page;
    }
    const auto title = std::find_if(words.begin(), words.end(),
                                    [](const PdfWord& w) { return w.text == "Data"; });
    ASSERT_NE(title, words.end());
    // Centred in the box from 70.06 to 139.65 mm.
    EXPECT_GT(title->xMin / kPointsPerMm, 85.0);
    EXPECT_LT(title->xMin / kPointsPerMm, 95.0);
    EXPECT_EQ(std::count_if(words.begin(), words.end(), [](const PdfWord& w) { return w.text == "i_unit"; }),
              2);
}

}  // namespace
