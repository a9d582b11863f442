#include "report/report_job.h"

#include <algorithm>
#include <utility>

ReportJob::ReportJob(std::unique_ptr<ReportPageSink> sink, int firstPage, int lastPage)
    : m_sink(std::move(sink)), m_first(firstPage), m_last(std::max(firstPage - 1, lastPage)),
      m_next(firstPage)
{
}

ReportJob::~ReportJob()
{
    if (m_status == Status::Running)
        cancel();
}

ReportJob::Status ReportJob::step(std::chrono::milliseconds budget)
{
    if (m_status != Status::Running)
        return m_status;
    if (!m_begun) {
        m_begun = true;
        if (!m_sink->begin()) {
            m_sink->abort();
            return m_status = Status::Failed;
        }
    }
    const auto until = std::chrono::steady_clock::now() + budget;
    do {
        if (m_next > m_last) {
            m_status = m_sink->finish() ? Status::Done : Status::Failed;
            return m_status;
        }
        if (!m_sink->writePage(m_next)) {
            m_sink->abort();
            return m_status = Status::Failed;
        }
        ++m_next;
    } while (std::chrono::steady_clock::now() < until);
    return m_status;
}

void ReportJob::cancel()
{
    if (m_status != Status::Running)
        return;
    if (m_begun)
        m_sink->abort();
    m_status = Status::Cancelled;
}

ReportJob::Status ReportJob::run()
{
    while (step(std::chrono::hours(1)) == Status::Running) {
    }
    return m_status;
}
