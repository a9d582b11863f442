#pragma once

#include <chrono>
#include <memory>
#include <string>

/// Where a report's pages go, one at a time: a file of one of the export
/// forms, or a printer. A sink is begun once, given pages in order, and
/// then either finished or aborted.
class ReportPageSink {
public:
    virtual ~ReportPageSink() = default;

    /// Prepares the output; false on failure (see errorText()).
    virtual bool begin() = 0;
    /// Writes page @p number (1-based); false on failure.
    virtual bool writePage(int number) = 0;
    /// Completes the output; false on failure, which leaves nothing behind.
    virtual bool finish() = 0;
    /// Drops everything written so far.
    virtual void abort() = 0;

    /// What went wrong, for the user.
    virtual std::string errorText() const = 0;
};

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

    Status status() const { return status_; }
    int pagesDone() const { return next_ - first_; }
    int pageTotal() const { return last_ - first_ + 1; }
    std::string errorText() const { return sink_->errorText(); }

private:
    std::unique_ptr<ReportPageSink> sink_;
    int first_;
    int last_;
    int next_;
    bool begun_ = false;
    Status status_ = Status::Running;
};
