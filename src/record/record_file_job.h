#pragma once

#include "record/record_file_job_progress.h"

#include <functional>
#include <memory>
#include <thread>

/// Runs the slow part of one file command (reading or writing the file) on
/// a thread of its own and its ending (committing the rows, the message) on
/// the main thread, so the main thread never waits for the disk.
///
/// The main thread keeps running meanwhile: what the work reads it was
/// handed at the start (a RecordTableReader) and what it builds is its own
/// until the ending takes it over. Owned and used on the main thread.
class RecordFileJob {
public:
    /// Hands a function to the main thread, to run there after the caller
    /// returns (the window queues it on its event loop). Callable from any
    /// thread.
    using Post = std::function<void(std::function<void()>)>;
    using Ending = std::function<void()>;
    /// The work: runs off the main thread, reports to the progress it is
    /// given and returns the ending.
    using Work = std::function<Ending(RecordFileJobProgress&)>;

    RecordFileJob() = default;
    /// Asks a running work to give up and waits for it; its ending never runs.
    ~RecordFileJob();
    RecordFileJob(const RecordFileJob&) = delete;
    RecordFileJob& operator=(const RecordFileJob&) = delete;

    /// Starts @p work on a new thread; the ending it returns is posted with
    /// @p post and runs on the main thread, once running() is false and
    /// @p progress is marked finished. Without @p post, work and ending
    /// both run now on the calling thread. Precondition: !running().
    void start(std::shared_ptr<RecordFileJobProgress> progress, Work work, const Post& post);

    bool running() const { return running_; }
    /// The running job's progress; null when none runs.
    const std::shared_ptr<RecordFileJobProgress>& progress() const { return progress_; }

private:
    void end(const Ending& ending);

    std::thread worker_;
    std::shared_ptr<RecordFileJobProgress> progress_;
    /// Lets a posted ending find out on the main thread whether this job
    /// still exists.
    std::shared_ptr<RecordFileJob*> self_ = std::make_shared<RecordFileJob*>(this);
    bool running_ = false;
};
