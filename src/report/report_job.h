#pragma once

#include "report/report_page_sink.h"

#include <chrono>
#include <memory>
#include <string>

/// Sends a range of a report's pages to a sink in slices, so a caller on
/// an event loop can do a slice, let other events run, and do the next.
class ReportJob {
public:
    enum class Status { Running, Done, Failed, Cancelled };

    /// Pages @p firstPage to @p lastPage (1-based, inclusive) into @p sink.
    ReportJob(std::unique_ptr<ReportPageSink> sink, int firstPage, int lastPage);
    ~ReportJob();

    /// Begins the sink on the first call, then writes pages until
    /// @p budget has passed (at least one page a call), and finishes the
    /// sink after the last page.
    Status step(std::chrono::milliseconds budget);

    /// Drops the output; a file under the chosen name is left as it was.
    void cancel();

    /// Runs the whole job at once.
    Status run();

    Status status() const { return m_status; }
    int pagesDone() const { return m_next - m_first; }
    int pageTotal() const { return m_last - m_first + 1; }
    std::string errorText() const { return m_sink->errorText(); }

private:
    std::unique_ptr<ReportPageSink> m_sink;
    int m_first;
    int m_last;
    int m_next;
    bool m_begun = false;
    Status m_status = Status::Running;
};
