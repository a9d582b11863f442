#include "record/record_file_output.h"

#include "record/system_files.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<unsigned> tempCounter{0};

std::string resolvedTarget(const std::string& path)
{
    // Replace the file a link points to, not the link itself.
    return systemFiles::linkTarget(path).value_or(path);
}

}  // namespace

RecordFileOutput::RecordFileOutput(std::string path)
    : path_(std::move(path)), buffer_(new char[kBufferSize])
{
}

RecordFileOutput::~RecordFileOutput() { discard(); }

bool RecordFileOutput::open()
{
    target_ = resolvedTarget(path_);
    struct stat existing {};
    const bool exists = ::stat(target_.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        return false;
    if (exists && !S_ISREG(existing.st_mode)) {
        fd_ = systemFiles::open(target_, O_WRONLY | O_TRUNC);
        direct_ = fd_ >= 0;
        return direct_;
    }
    // A read-only file stays as it is, as it would for a plain overwrite.
    if (exists && ::access(target_.c_str(), W_OK) != 0)
        return false;
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath_ = target_ + ".zqsave-" + std::to_string(::getpid()) + "-" +
                    std::to_string(tempCounter.fetch_add(1, std::memory_order_relaxed));
        // 0666 less the umask, like any new file; an existing file's mode wins below.
        fd_ = systemFiles::open(tempPath_, O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (fd_ >= 0)
            break;
        if (errno != EEXIST) {
            tempPath_.clear();
            return false;
        }
    }
    if (fd_ < 0) {
        tempPath_.clear();
        return false;
    }
    if (exists)
        (void)systemFiles::setMode(fd_, existing.st_mode & 07777);
    return true;
}

void RecordFileOutput::writeAll(const char* data, std::size_t size)
{
    if (failed_ || fd_ < 0) {
        failed_ = true;
        return;
    }
    while (size > 0) {
        const ssize_t n = ::write(fd_, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            failed_ = true;
            return;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
        flushed_ += static_cast<std::size_t>(n);
    }
}

void RecordFileOutput::flushBuffer()
{
    writeAll(buffer_.get(), used_);
    used_ = 0;
#if defined(__linux__)
    // Start writing back what is done while the rest is made, so the
    // fsync at the end waits for the last stretch only, not the whole file.
    constexpr std::size_t kWriteBackStep = std::size_t{8} << 20;
    if (!direct_ && !failed_ && fd_ >= 0 && flushed_ - writtenBack_ >= kWriteBackStep) {
        (void)::sync_file_range(fd_, static_cast<off_t>(writtenBack_), static_cast<off_t>(flushed_ - writtenBack_),
                                SYNC_FILE_RANGE_WRITE);
        writtenBack_ = flushed_;
    }
#endif
}

bool RecordFileOutput::commit()
{
    if (fd_ < 0)
        return false;
    flushBuffer();
    if (!direct_ && !failed_ && systemFiles::syncAll(fd_) != 0)
        failed_ = true;
    if (::close(fd_) != 0)
        failed_ = true;
    fd_ = -1;
    if (direct_)
        return !failed_;
    if (!failed_ && systemFiles::replace(tempPath_, target_) != 0)
        failed_ = true;
    if (failed_) {
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
        return false;
    }
    tempPath_.clear();
    return true;
}

void RecordFileOutput::discard()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!tempPath_.empty()) {
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
    }
    used_ = 0;
}
