#include "report/report_file_sink.h"

#include "report/data_report.h"

ReportFileSink::ReportFileSink(const DataReport& report, const QString& path)
    : m_report(report), m_file(path)
{
}

ReportFileSink::~ReportFileSink()
{
    if (m_open)
        abort();
}

bool ReportFileSink::begin()
{
    if (!m_file.open(QIODevice::WriteOnly)) {
        m_error = "Cannot write " + m_file.fileName().toLocal8Bit().toStdString() + ": " +
                  m_file.errorString().toLocal8Bit().toStdString();
        return false;
    }
    m_open = true;
    return writeStart();
}

bool ReportFileSink::writePage(int number)
{
    return m_open && writeReportPage(number);
}

bool ReportFileSink::finish()
{
    if (!m_open)
        return false;
    const bool ended = writeEnd();
    closeWriter();
    m_open = false;
    if (!ended) {
        m_file.cancelWriting();
        m_file.commit();
        return false;
    }
    if (!m_file.commit()) {
        m_error = "Cannot write " + m_file.fileName().toLocal8Bit().toStdString() + ": " +
                  m_file.errorString().toLocal8Bit().toStdString();
        return false;
    }
    return true;
}

void ReportFileSink::abort()
{
    if (!m_open)
        return;
    closeWriter();
    m_open = false;
    m_file.cancelWriting();
    m_file.commit();  // with writing cancelled this only removes the temporary file
}

bool ReportFileSink::write(std::string_view bytes)
{
    if (m_file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size())) {
        m_error = "Cannot write " + m_file.fileName().toLocal8Bit().toStdString() + ": " +
                  m_file.errorString().toLocal8Bit().toStdString();
        return false;
    }
    return true;
}
