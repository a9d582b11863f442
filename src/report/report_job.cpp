#include "report/report_job.h"

#include <algorithm>
#include <utility>

ReportJob::ReportJob(std::unique_ptr<ReportPageSink> sink, int firstPage, int lastPage)
    : sink_(std::move(sink)), first_(firstPage), last_(std::max(firstPage - 1, lastPage)),
      next_(firstPage)
{
}

ReportJob::~ReportJob()
{
    if (status_ == Status::Running)
        cancel();
}

ReportJob::Status ReportJob::step(std::chrono::milliseconds budget)
{
    if (status_ != Status::Running)
        return status_;
    if (!begun_) {
        begun_ = true;
        if (!sink_->begin()) {
            sink_->abort();
            return status_ = Status::Failed;
        }
    }
    const auto until = std::chrono::steady_clock::now() + budget;
    do {
        if (next_ > last_) {
            status_ = sink_->finish() ? Status::Done : Status::Failed;
            return status_;
        }
        if (!sink_->writePage(next_)) {
            sink_->abort();
            return status_ = Status::Failed;
        }
        ++next_;
    } while (std::chrono::steady_clock::now() < until);
    return status_;
}

void ReportJob::cancel()
{
    if (status_ != Status::Running)
        return;
    if (begun_)
        sink_->abort();
    status_ = Status::Cancelled;
}

ReportJob::Status ReportJob::run()
{
    while (step(std::chrono::hours(1)) == Status::Running) {
    }
    return status_;
}
