#include "record/appending_file.h"

#include "record/system_files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string systemReason(int error) { return std::strerror(error); }

/// Bytes a batch of lines collects before it is written.
constexpr std::size_t kBatchBytes = std::size_t{1} << 20;

/// The size of @p fd's file up to and with its last line end; the rest is
/// a line a power cut left unfinished. -1 (errno set) when it cannot be read.
off_t wholeLinesSize(int fd, off_t size)
{
    char block[4096];
    off_t end = size;
    while (end > 0) {
        const off_t from = end > static_cast<off_t>(sizeof block) ? end - static_cast<off_t>(sizeof block) : 0;
        const ssize_t n = systemFiles::readAt(fd, block, static_cast<std::size_t>(end - from), from);
        if (n < 0)
            return -1;
        for (ssize_t i = n; i-- > 0;)
            if (block[i] == '\n')
                return from + i + 1;
        end = from;
    }
    return 0;
}

/// A new file at @p path that holds @p header, put there in one step: a file
/// of that name is never seen empty or half written, which a reader would
/// take for a file that does not load. Returns its descriptor (read and
/// write, at its end), or -1 with errno set; @p noRoom is set when the
/// folder takes no new file beside the name (a file there may still be
/// written in place).
int freshFile(const std::string& path, std::string_view header, bool& noRoom)
{
    const std::size_t slash = systemFiles::lastSeparator(path);
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temp = folder + "/." + name + ".XXXXXX";
    const int fd = systemFiles::makeTemporary(temp);
    noRoom = fd < 0;
    if (fd < 0)
        return -1;
    int error = 0;
    std::string_view rest = header;
    if (systemFiles::setMode(fd, 0644) != 0)
        error = errno;
    while (error == 0 && !rest.empty()) {
        const ssize_t n = ::write(fd, rest.data(), rest.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            error = n < 0 ? errno : ENOSPC;
        else
            rest.remove_prefix(static_cast<std::size_t>(n));
    }
    if (error == 0 && systemFiles::syncData(fd) != 0)
        error = errno;
    if (error == 0 && systemFiles::replace(temp, path) != 0)
        error = errno;
    if (error != 0) {
        ::close(fd);
        ::unlink(temp.c_str());
        errno = error;
        return -1;
    }
    return fd;
}

}  // namespace

AppendingFile::~AppendingFile() { close(); }

std::string AppendingFile::open(const std::string& path, Mode mode, std::string header)
{
    if (fd_ >= 0)
        return "already open";
    // A file on a disk that is replaced starts as a new file with its header
    // already in it; a device or a pipe is written as it is.
    bool headerWritten = false;
    int fd = -1;
    struct stat existing {};
    const bool special = ::stat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode);
    if (mode == Mode::Replace && !special) {
        bool noRoom = false;
        fd = freshFile(path, header, noRoom);
        headerWritten = fd >= 0;
        if (fd < 0 && !noRoom)
            return systemReason(errno);
    }
    if (fd < 0) {
        // Read access too, to find the last whole line of a file appended to.
        const int flags = O_RDWR | O_CREAT | (mode == Mode::Replace ? O_TRUNC : 0);
        fd = systemFiles::open(path, flags, 0644);
    }
    if (fd < 0)
        return systemReason(errno);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        return systemReason(error);
    }
    // A pipe or a terminal (--csv /dev/stdout) is written as it comes:
    // nothing to cut, nothing to flush to a disk.
    regular_ = S_ISREG(info.st_mode);
    off_t size = regular_ ? info.st_size : 0;
    cutBytes_ = 0;
    if (mode == Mode::Append && size > 0) {
        const off_t whole = wholeLinesSize(fd, size);
        if (whole < 0 || (whole < size && ::ftruncate(fd, whole) != 0)) {
            const int error = errno;
            ::close(fd);
            return systemReason(error);
        }
        cutBytes_ = static_cast<std::uint64_t>(size - whole);
        size = whole;
    }
    if (regular_ && ::lseek(fd, size, SEEK_SET) < 0) {
        const int error = errno;
        ::close(fd);
        return systemReason(error);
    }
    fd_ = fd;
    path_ = path;
    header_ = std::move(header);
    failure_.clear();
    failed_.store(false);
    stop_ = false;
    queue_.clear();
    wholeSize_ = static_cast<std::uint64_t>(size);
    written_.store(wholeSize_);
    unsynced_ = false;
    if (headerWritten) {
        // On the disk already, and in place.
    } else if (size == 0 && !header_.empty()) {
        if (!writeAll(header_)) {
            const std::string reason = failure();
            ::close(fd_);
            fd_ = -1;
            return reason;
        }
        // A new file's header is on the disk before the first row is taken.
        sync();
    } else if (cutBytes_ > 0) {
        sync();
    }
    startSize_ = wholeSize_;
    writer_ = std::thread([this] { run(); });
    return {};
}

void AppendingFile::append(std::string_view lines)
{
    if (lines.empty())
        return;
    bool wake = false;
    {
        const std::lock_guard lock(mutex_);
        if (!queue_.empty() && queue_.back().kind == Item::Kind::Bytes)
            queue_.back().bytes.append(lines);
        else
            queue_.push_back({Item::Kind::Bytes, std::string(lines), {}});
        // Only a sleeping writer needs the wake-up; a busy one finds the
        // line when it comes back for more.
        wake = writerIdle_;
        writerIdle_ = false;
    }
    if (wake)
        wake_.notify_one();
}

void AppendingFile::append(Producer producer)
{
    {
        const std::lock_guard lock(mutex_);
        queue_.push_back({Item::Kind::Produce, {}, std::move(producer)});
        writerIdle_ = false;
    }
    wake_.notify_one();
}

void AppendingFile::restart()
{
    {
        const std::lock_guard lock(mutex_);
        queue_.push_back({Item::Kind::Restart, {}, {}});
        writerIdle_ = false;
    }
    wake_.notify_one();
}

std::string AppendingFile::flush()
{
    if (fd_ < 0)
        return failure();
    std::unique_lock lock(mutex_);
    const std::uint64_t ticket = ++flushAsked_;
    writerIdle_ = false;
    wake_.notify_one();
    done_.wait(lock, [&] { return flushDone_ >= ticket; });
    return failure_;
}

std::string AppendingFile::close()
{
    if (fd_ < 0)
        return failure();
    flush();
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    writer_.join();
    ::close(fd_);
    fd_ = -1;
    return failure();
}

std::string AppendingFile::failure() const
{
    const std::lock_guard lock(mutex_);
    return failure_;
}

void AppendingFile::fail(std::string reason)
{
    {
        const std::lock_guard lock(mutex_);
        if (!failure_.empty())
            return;
        failure_ = std::move(reason);
    }
    failed_.store(true, std::memory_order_release);
    // No half line stays behind: a reader of the file meets whole rows only.
    if (fd_ >= 0 && regular_ && ::ftruncate(fd_, static_cast<off_t>(wholeSize_)) == 0)
        ::lseek(fd_, static_cast<off_t>(wholeSize_), SEEK_SET);
}

bool AppendingFile::writeAll(std::string_view bytes)
{
    if (failed())
        return false;
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(systemReason(errno));
            return false;
        }
        if (n == 0) {
            fail(systemReason(ENOSPC));
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
        written_.fetch_add(static_cast<std::uint64_t>(n), std::memory_order_relaxed);
    }
    wholeSize_ = written_.load(std::memory_order_relaxed);
    if (!unsynced_) {
        unsynced_ = true;
        syncDue_ = std::chrono::steady_clock::now() + kSyncDelay;
    }
    return true;
}

void AppendingFile::sync()
{
    unsynced_ = false;
    if (failed() || !regular_)
        return;
    if (systemFiles::syncData(fd_) != 0) {
        fail(systemReason(errno));
        return;
    }
    // Writing on into a file whose folder was deleted would keep rows no
    // one can ever open.
    struct stat info {};
    if (::fstat(fd_, &info) == 0 && info.st_nlink == 0)
        fail("the file was removed");
}

void AppendingFile::writeItem(Item& item, std::string& buffer)
{
    switch (item.kind) {
    case Item::Kind::Bytes:
        writeAll(item.bytes);
        break;
    case Item::Kind::Produce: {
        buffer.clear();
        const Put put = [&](std::string_view lines) {
            buffer.append(lines);
            if (buffer.size() >= kBatchBytes) {
                writeAll(buffer);
                buffer.clear();
            }
        };
        if (item.producer && !failed())
            item.producer(put);
        if (!buffer.empty())
            writeAll(buffer);
        buffer.clear();
        break;
    }
    case Item::Kind::Restart:
        if (failed() || !regular_)
            break;
        if (::ftruncate(fd_, 0) != 0 || ::lseek(fd_, 0, SEEK_SET) < 0) {
            fail(systemReason(errno));
            break;
        }
        wholeSize_ = 0;
        written_.store(0);
        writeAll(header_);
        break;
    }
}

void AppendingFile::run()
{
    std::string buffer;
    std::unique_lock lock(mutex_);
    for (;;) {
        if (queue_.empty() && flushDone_ == flushAsked_ && !stop_) {
            writerIdle_ = true;
            if (unsynced_)
                wake_.wait_until(lock, syncDue_);
            else
                wake_.wait(lock);
            writerIdle_ = false;
        }
        std::deque<Item> items;
        items.swap(queue_);
        const std::uint64_t flushTicket = flushAsked_;
        const bool stop = stop_;
        lock.unlock();

        for (Item& item : items)
            writeItem(item, buffer);
        items.clear();
        if (unsynced_ && (flushTicket != flushDone_ || std::chrono::steady_clock::now() >= syncDue_))
            sync();

        lock.lock();
        if (flushTicket != flushDone_ && queue_.empty()) {
            flushDone_ = flushTicket;
            done_.notify_all();
        }
        if (stop && queue_.empty())
            return;
    }
}
