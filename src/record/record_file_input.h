#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

/// A record file being read in chunks, never whole. One thread at a time.
class RecordFileInput {
public:
    RecordFileInput() = default;
    ~RecordFileInput();
    RecordFileInput(const RecordFileInput&) = delete;
    RecordFileInput& operator=(const RecordFileInput&) = delete;

    /// False when @p path cannot be opened for reading.
    bool open(const std::string& path);
    /// Reads up to @p size bytes into @p into; 0 at the end of the file or
    /// on an error (failed() tells which).
    std::size_t read(char* into, std::size_t size);
    bool failed() const { return failed_; }
    /// Why the open or a read failed, with the system's reason ("it cannot
    /// be opened: No such file or directory"); empty before a failure.
    const std::string& failure() const { return failure_; }
    /// The file's size when it was opened [bytes]; 0 when unknown.
    std::uint64_t size() const { return size_; }

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
    bool failed_ = false;
    std::string failure_;
};
