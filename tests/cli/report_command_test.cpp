#include "cli/report_command.h"
#include "record/record_file_error.h"
#include "record/record_table.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <sstream>

namespace {

struct CommandRun {
    int status;
    std::string out;
    std::string err;
};

// A loader that gives @p rows rows, or fails for "missing".
ReportTableLoader fakeLoader(int rows)
{
    return [rows](const std::string& path, RecordTable& table, RecordFileError& error) {
        if (path == "missing") {
            error = {"it cannot be opened: No such file or directory", 0};
            return false;
        }
        for (int no = 1; no <= rows; ++no) {
            RecordRow row;
            row.setNo(no);
            row.setText(RecordField::Time, "10:00:00");
            row.setText(RecordField::Value, "1,5");
            row.setText(RecordField::Unit, "KW");
            table.appendRow(row);
        }
        return true;
    };
}

CommandRun report(const std::vector<std::string>& args, const ReportTableLoader& load)
{
    std::ostringstream out, err;
    const int status = runReportCommand(args, out, err, load);
    return {status, out.str(), err.str()};
}

std::string readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll().toStdString();
}

TEST(ReportCommand, MalformedCommandLinesShowTheUsage)
{
    const std::vector<std::string> cases[] = {
        {}, {"--pdf", "out.pdf"}, {"in", "--csv"}, {"in", "--png", "x"}, {"in", "other"}, {"in", "--txt", ""},
    };
    for (const auto& args : cases) {
        const CommandRun run = report(args, fakeLoader(1));
        EXPECT_EQ(run.status, 2) << testing::PrintToString(args);
        EXPECT_NE(run.err.find("usage:"), std::string::npos);
    }
}

TEST(ReportCommand, FileThatFailsToLoad)
{
    const CommandRun run = report({"missing", "--csv", "x.csv"}, fakeLoader(1));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Failed to Load File!\nmissing: it cannot be opened: No such file or directory\n");
    EXPECT_EQ(run.out, "");
}

TEST(ReportCommand, NoOutputPrintsThePageCount)
{
    const std::pair<int, std::string> cases[] = {{0, "1\n"}, {37, "1\n"}, {38, "2\n"}, {100, "3\n"}};
    for (const auto& [rows, pages] : cases) {
        const CommandRun run = report({"in"}, fakeLoader(rows));
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, pages) << rows;
    }
}

TEST(ReportCommand, WritesEachOutputGiven)
{
    QTemporaryDir dir;
    const std::string csv = dir.filePath("r.csv").toStdString();
    const std::string txt = dir.filePath("r.txt").toStdString();
    const std::string pdf = dir.filePath("r.pdf").toStdString();
    const CommandRun run = report({"in", "--csv", csv, "--txt", txt, "--pdf", pdf}, fakeLoader(38));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    const std::string csvText = readFile(QString::fromStdString(csv));
    EXPECT_EQ(csvText.rfind("No,Time,Value,Unit,v_value,v_unit,i_value,i_unit\r\n1,10:00:00,\"1,5\",KW,,,,\r\n", 0),
              0u);
    EXPECT_EQ(std::count(csvText.begin(), csvText.end(), '\n'), 39);
    const std::string text = readFile(QString::fromStdString(txt));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\f'), 1);
    EXPECT_EQ(readFile(QString::fromStdString(pdf)).rfind("%PDF-", 0), 0u);
}

TEST(ReportCommand, UnwritableOutputFails)
{
    const CommandRun run = report({"in", "--html", "/no/such/folder/r.html"}, fakeLoader(1));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("/no/such/folder/r.html"), std::string::npos);
}

TEST(ReportCommand, LoadsARecordFileAsTheOpenCommandDoes)
{
    QTemporaryDir dir;
    const QString in = dir.filePath("records.txt");
    {
        QFile file(in);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("No\tTime\tValue\tUnit\tV_Value\tV_Unit\tI_Value\tI_Unit\r\n"
                   "1\t10:00:00\t1.5\tKW\t230.0\tv\t5.00\tA\r\n"
                   "2\t10:00:10\t1.6\tKW\tNULL\tv\t5.10\tA\r\n");
    }
    const std::string csv = dir.filePath("r.csv").toStdString();
    std::ostringstream out, err;
    ASSERT_EQ(runReportCommand({in.toStdString(), "--csv", csv}, out, err), 0) << err.str();
    EXPECT_EQ(readFile(QString::fromStdString(csv)),
              "No,Time,Value,Unit,v_value,v_unit,i_value,i_unit\r\n"
              "1,10:00:00,1.5,KW,230.0,v,5.00,A\r\n"
              "2,10:00:10,1.6,KW,NULL,v,5.10,A\r\n");

    std::ostringstream out2, err2;
    const std::string missing = dir.filePath("none.txt").toStdString();
    EXPECT_EQ(runReportCommand({missing}, out2, err2), 1);
    EXPECT_EQ(err2.str(), "Failed to Load File!\n" + missing + ": it cannot be opened: No such file or directory\n");
}

}  // namespace
