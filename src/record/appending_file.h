#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

/// A file that grows by whole lines while a log runs, kept safe against a
/// killed process and a power cut: the caller queues lines and goes on, a
/// thread of the file's own writes them in order, each batch of whole lines
/// with one write, and flushes them to the disk (fdatasync) within
/// kSyncDelay of their arrival. So the caller never waits for the disk, a
/// killed process leaves only whole lines, and a power cut loses at most
/// the lines of the last two seconds.
///
/// A write that fails (a full disk, a failing device) or a file that was
/// removed from under the log (its folder deleted) stops the writing: the
/// file is cut back to the last whole line written and failure() tells
/// why. Lines queued afterwards are dropped; what was written stays.
///
/// One owner thread calls every member but failure() and failed(), which
/// any thread may call. File names are bytes as the system takes them.
class AppendingFile {
public:
    /// Written lines reach the disk at most this long after they were queued.
    static constexpr std::chrono::milliseconds kSyncDelay{1000};

    enum class Mode : std::uint8_t {
        /// A new file with the header takes the name's place in one step,
        /// so the name never shows an empty file; a device or a pipe is
        /// written as it is.
        Replace,
        Append,   ///< keeps what the file holds, or creates it
    };

    /// Puts bytes of whole lines into the file; given to a producer.
    using Put = std::function<void(std::string_view)>;
    /// Makes lines on the writer thread (many rows, formatted off the
    /// caller's thread) and hands them to the Put it is given.
    using Producer = std::function<void(const Put&)>;

    AppendingFile() = default;
    /// close(): whatever was queued is written and flushed first.
    ~AppendingFile();
    AppendingFile(const AppendingFile&) = delete;
    AppendingFile& operator=(const AppendingFile&) = delete;

    /// Opens @p path, creating it (mode 0644) when missing, and starts the
    /// writer. In Append mode a last line without its line end (cut by a
    /// power failure) is cut off first (see cutBytes). When the file is then
    /// empty, @p header is written. Returns an empty text, or the system's
    /// reason ("Permission denied") when the file cannot be opened. Not
    /// while open.
    std::string open(const std::string& path, Mode mode, std::string header);
    bool isOpen() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }
    /// Bytes open() cut off the end of the file (Append mode).
    std::uint64_t cutBytes() const { return cutBytes_; }
    /// The file's size when open() had set it up: the header, or what an
    /// appended file held [bytes].
    std::uint64_t startSize() const { return startSize_; }

    /// Queues @p lines, whole lines with their line ends.
    void append(std::string_view lines);
    /// Queues @p producer, to run on the writer thread in its turn.
    void append(Producer producer);
    /// Queues emptying the file down to its header line.
    void restart();

    /// Waits until everything queued is written and on the disk; returns
    /// failure() then.
    std::string flush();
    /// flush(), then closes the file and ends the writer; returns failure().
    /// Does nothing more when not open.
    std::string close();

    /// Why writing stopped (the system's reason), empty while all is well.
    std::string failure() const;
    bool failed() const { return failed_.load(std::memory_order_acquire); }

    /// Bytes written to the file so far, the header included.
    std::uint64_t bytesWritten() const { return written_.load(std::memory_order_relaxed); }

private:
    struct Item {
        enum class Kind : std::uint8_t { Bytes, Produce, Restart } kind = Kind::Bytes;
        std::string bytes;
        Producer producer;
    };

    void run();
    void writeItem(Item& item, std::string& buffer);
    /// Writes @p bytes whole; false (and failing) when it could not.
    bool writeAll(std::string_view bytes);
    void sync();
    void fail(std::string reason);

    std::string path_;
    std::string header_;
    int fd_ = -1;
    bool regular_ = true;  ///< a file on a disk, not a pipe or a device
    std::uint64_t cutBytes_ = 0;
    std::uint64_t startSize_ = 0;

    std::thread writer_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;   ///< the writer: work, a flush or the end
    std::condition_variable done_;   ///< the owner: a flush is through
    std::deque<Item> queue_;
    bool writerIdle_ = false;        ///< the writer waits for work (guarded)
    bool stop_ = false;
    std::uint64_t flushAsked_ = 0;   ///< flush requests made (guarded)
    std::uint64_t flushDone_ = 0;    ///< flush requests answered (guarded)
    std::string failure_;            ///< guarded

    // Writer thread only.
    std::uint64_t wholeSize_ = 0;    ///< the file's size up to its last whole line
    bool unsynced_ = false;
    std::chrono::steady_clock::time_point syncDue_;

    std::atomic<bool> failed_{false};
    std::atomic<std::uint64_t> written_{0};
};
