#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

/// A record file being written, streamed through a fixed buffer and put in
/// place atomically: the bytes go to a new file beside the chosen name,
/// which is flushed to disk and then renamed over it, so a failed or
/// abandoned save leaves the previous file of that name as it was and no
/// temporary file behind. A name that is an existing device or pipe (not a
/// regular file) is written directly, since renaming over it would replace
/// the device.
///
/// One thread at a time; file names are bytes as the system takes them.
class RecordFileOutput {
public:
    explicit RecordFileOutput(std::string path);
    ~RecordFileOutput();  ///< discards the file unless committed
    RecordFileOutput(const RecordFileOutput&) = delete;
    RecordFileOutput& operator=(const RecordFileOutput&) = delete;

    /// Creates the temporary file (or opens the device). False when the
    /// name cannot be written: a missing folder, a folder in its place, an
    /// existing file that is read-only, no right to create files there.
    bool open();

    /// Appends @p bytes; errors are kept until commit.
    void put(std::string_view bytes)
    {
        if (bytes.size() > kBufferSize - used_) {
            flushBuffer();
            if (bytes.size() > kBufferSize) {
                writeAll(bytes.data(), bytes.size());
                return;
            }
        }
        std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
        used_ += bytes.size();
    }
    void put(char byte)
    {
        if (used_ == kBufferSize)
            flushBuffer();
        buffer_[used_++] = byte;
    }
    /// Room for at least @p n bytes at the end of the buffer (n at most
    /// 64 KiB); fill it and pass the count to advance().
    char* reserve(std::size_t n)
    {
        if (n > kBufferSize - used_)
            flushBuffer();
        return buffer_.get() + used_;
    }
    void advance(std::size_t n) { used_ += n; }

    /// Writes what is buffered, flushes the file to disk and puts it in
    /// place under the chosen name. False when any write failed (disk full,
    /// an I/O error) or the rename did; the temporary file is then removed.
    bool commit();
    /// Abandons the file: removes the temporary file, if any.
    void discard();

    /// Bytes put so far.
    std::size_t bytesWritten() const { return flushed_ + used_; }
    /// Whether a write has failed so far.
    bool failed() const { return failed_; }

private:
    static constexpr std::size_t kBufferSize = std::size_t{1} << 20;

    void flushBuffer();
    void writeAll(const char* data, std::size_t size);

    std::string path_;      ///< the chosen name
    std::string target_;    ///< the file replaced (symbolic links resolved)
    std::string tempPath_;  ///< empty when writing the target directly
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
    std::size_t flushed_ = 0;
    std::size_t writtenBack_ = 0;  ///< bytes whose write-back has been started
    int fd_ = -1;
    bool failed_ = false;
    bool direct_ = false;
};
