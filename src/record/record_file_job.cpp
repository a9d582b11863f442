#include "record/record_file_job.h"

RecordFileJob::~RecordFileJob()
{
    if (progress_)
        progress_->cancelled.store(true, std::memory_order_relaxed);
    if (worker_.joinable())
        worker_.join();
}

void RecordFileJob::start(std::shared_ptr<RecordFileJobProgress> progress, Work work, const Post& post)
{
    progress_ = std::move(progress);
    running_ = true;
    if (!post) {
        end(work(*progress_));
        return;
    }
    if (worker_.joinable())
        worker_.join();
    std::weak_ptr<RecordFileJob*> self = self_;
    worker_ = std::thread([self, work = std::move(work), post, progress = progress_]() {
        Ending ending = work(*progress);
        post([self, ending = std::move(ending)]() {
            if (const std::shared_ptr<RecordFileJob*> job = self.lock())
                (*job)->end(ending);
        });
    });
}

void RecordFileJob::end(const Ending& ending)
{
    // The worker has posted this as its last act; the join is immediate.
    if (worker_.joinable())
        worker_.join();
    const std::shared_ptr<RecordFileJobProgress> progress = std::move(progress_);
    progress_.reset();
    running_ = false;
    // The progress view closes before the ending's message box opens.
    if (progress)
        progress->finished.store(true, std::memory_order_release);
    if (ending)
        ending();
}
