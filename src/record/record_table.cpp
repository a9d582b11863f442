#include "record/record_table.h"

#include "record/record_segment.h"

#include <algorithm>

namespace {

const std::shared_ptr<const std::vector<RecordChangeRun>>& noRuns()
{
    static const auto empty = std::make_shared<const std::vector<RecordChangeRun>>();
    return empty;
}

template <class Segments>
const RecordSegment& findSegment(const Segments& segments, const std::vector<std::size_t>& starts, std::size_t row,
                                 std::size_t& local)
{
    // Recorded tables hold one segment or a few; the search is for loads.
    std::size_t index = segments.size() - 1;
    if (row < starts.back())
        index = static_cast<std::size_t>(std::upper_bound(starts.begin(), starts.end(), row) - starts.begin()) - 1;
    local = row - starts[index];
    return *segments[index];
}

std::optional<std::string> textOf(const RecordSegment& segment, std::size_t local, RecordField field)
{
    if (field == RecordField::No) {
        std::optional<std::int32_t> no = segment.no(local);
        return no ? std::optional<std::string>(std::to_string(*no)) : std::nullopt;
    }
    std::optional<std::string_view> text = segment.text(local, field);
    return text ? std::optional<std::string>(std::string(*text)) : std::nullopt;
}

RecordRow rowOf(const RecordSegment& segment, std::size_t local)
{
    RecordRow row;
    if (std::optional<std::int32_t> no = segment.no(local))
        row.setNo(*no);
    for (std::size_t i = 1; i < kRecordFieldCount; ++i) {
        if (std::optional<std::string_view> text = segment.text(local, recordField(i)))
            row.setText(recordField(i), *text);
    }
    return row;
}

}  // namespace

// --- RecordChangeLog ---------------------------------------------------------

std::size_t RecordChangeLog::size() const
{
    std::size_t entries = rowCount > implicitFrom ? rowCount - implicitFrom : 0;
    for (const RecordChangeRun& run : *stored)
        entries += run.count;
    return entries;
}

// --- RecordRowAccess ------------------------------------------------------------

std::optional<std::int32_t> RecordRowAccess::no(std::size_t row) const
{
    std::size_t local = 0;
    return segmentOf(row, local).no(local);
}

std::optional<std::string_view> RecordRowAccess::text(std::size_t row, RecordField field) const
{
    std::size_t local = 0;
    return segmentOf(row, local).text(local, field);
}

std::optional<std::string> RecordRowAccess::fieldText(std::size_t row, RecordField field) const
{
    std::size_t local = 0;
    const RecordSegment& segment = segmentOf(row, local);
    return textOf(segment, local, field);
}

std::optional<std::string> RecordRowAccess::fieldText(std::size_t row, std::string_view fieldName) const
{
    std::optional<RecordField> field = recordFieldByName(fieldName);
    return field ? fieldText(row, *field) : std::nullopt;
}

RecordRowState RecordRowAccess::rowState(std::size_t row) const
{
    std::size_t local = 0;
    return segmentOf(row, local).state(local);
}

RecordRow RecordRowAccess::row(std::size_t row) const
{
    std::size_t local = 0;
    const RecordSegment& segment = segmentOf(row, local);
    return rowOf(segment, local);
}

// --- RecordTableReader --------------------------------------------------------

const RecordSegment& RecordTableReader::segmentOf(std::size_t row, std::size_t& local) const
{
    return findSegment(segments_, starts_, row, local);
}

// --- RecordTable ----------------------------------------------------------------

RecordTable::RecordTable() : storedLog_(noRuns()) {}
RecordTable::~RecordTable() = default;
RecordTable::RecordTable(RecordTable&&) noexcept = default;
RecordTable& RecordTable::operator=(RecordTable&&) noexcept = default;

const RecordSegment& RecordTable::segmentOf(std::size_t row, std::size_t& local) const
{
    return findSegment(segments_, starts_, row, local);
}

RecordChangeLog RecordTable::changeLog() const
{
    return RecordChangeLog{storedLog_ ? storedLog_ : noRuns(), implicitFrom_, rowCount_};
}

RecordTableReader RecordTable::reader() const
{
    RecordTableReader reader;
    reader.segments_.assign(segments_.begin(), segments_.end());
    reader.starts_ = starts_;
    reader.rowCount_ = rowCount_;
    reader.log_ = changeLog();
    return reader;
}

RecordSegment& RecordTable::writableSegment()
{
    if (!writable_ || !segments_.back()->canTake()) {
        sealSegments();
        segments_.push_back(std::make_shared<RecordSegment>());
        starts_.push_back(rowCount_);
        writable_ = true;
    }
    return *segments_.back();
}

std::size_t RecordTable::appendRow(const RecordRow& row) { return appendRow(row, kRowInserted); }

std::size_t RecordTable::appendRow(const RecordRow& row, RecordRowState state)
{
    writableSegment().append(row, state);
    return rowAppended();
}

std::size_t RecordTable::appendFields(const RecordRowFields& fields, RecordRowState state)
{
    writableSegment().append(fields, state);
    return rowAppended();
}

std::size_t RecordTable::rowAppended()
{
    std::size_t index = rowCount_++;
    current_ = index;
    notify(false, index);
    return index;
}

void RecordTable::clear()
{
    dropContent();
    notify(true, 0);
}

void RecordTable::replaceContent(RecordTable&& other)
{
    if (&other == this)
        return;
    segments_ = std::move(other.segments_);
    starts_ = std::move(other.starts_);
    rowCount_ = other.rowCount_;
    storedLog_ = other.storedLog_ ? std::move(other.storedLog_) : noRuns();
    implicitFrom_ = other.implicitFrom_;
    // Recording goes on in a fresh segment, so a loaded dictionary never
    // grows (and rehashes) on this thread.
    writable_ = false;
    sealSegments();
    current_ = rowCount_ ? std::optional<std::size_t>(0) : std::nullopt;
    other.dropContent();
    notify(true, 0);
}

void RecordTable::sealSegments()
{
    // Only the segment that takes rows needs its dictionary; the others'
    // would be most of the memory of a table whose texts hardly repeat.
    for (const auto& segment : segments_)
        segment->seal();
}

void RecordTable::dropContent()
{
    segments_.clear();
    starts_.clear();
    rowCount_ = 0;
    storedLog_ = noRuns();
    implicitFrom_ = 0;
    current_.reset();
    writable_ = false;
}

void RecordTable::appendRowsOf(RecordTable&& other)
{
    if (&other == this || other.rowCount_ == 0)
        return;
    std::size_t first = rowCount_;
    for (std::size_t i = 0; i < other.segments_.size(); ++i) {
        segments_.push_back(std::move(other.segments_[i]));
        starts_.push_back(rowCount_ + other.starts_[i]);
    }
    rowCount_ += other.rowCount_;
    writable_ = false;
    sealSegments();
    current_ = rowCount_ - 1;
    other.dropContent();
    notify(false, first);
}

void RecordTable::setChangeLog(std::vector<RecordChangeRun> runs)
{
    storedLog_ = std::make_shared<const std::vector<RecordChangeRun>>(std::move(runs));
    implicitFrom_ = rowCount_;
}

void RecordTable::addChangeLogEntry(std::vector<RecordChangeRun>& runs, std::uint32_t record, std::int32_t replaces,
                                    std::int32_t kind)
{
    if (!runs.empty()) {
        RecordChangeRun& last = runs.back();
        if (last.replaces == replaces && last.kind == kind &&
            static_cast<std::uint64_t>(last.first) + last.count == record && last.count < UINT32_MAX) {
            ++last.count;
            return;
        }
    }
    runs.push_back(RecordChangeRun{record, 1, replaces, kind});
}

void RecordTable::setCurrentRow(std::size_t row)
{
    if (row >= rowCount_ || current_ == row)
        return;
    current_ = row;
    notify(false, rowCount_);
}

void RecordTable::addListener(RecordTableListener* listener)
{
    if (listener && std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end())
        listeners_.push_back(listener);
}

void RecordTable::removeListener(RecordTableListener* listener)
{
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

void RecordTable::addFollower(RecordTableListener* follower)
{
    if (follower && std::find(followers_.begin(), followers_.end(), follower) == followers_.end())
        followers_.push_back(follower);
}

void RecordTable::removeFollower(RecordTableListener* follower)
{
    followers_.erase(std::remove(followers_.begin(), followers_.end(), follower), followers_.end());
}

void RecordTable::freezeViews()
{
    if (freeze_++ == 0) {
        pendingChange_ = false;
        pendingReset_ = false;
        pendingFirstNewRow_ = rowCount_;
    }
}

void RecordTable::releaseViews()
{
    if (freeze_ == 0 || --freeze_ > 0 || !pendingChange_)
        return;
    pendingChange_ = false;
    RecordTableChange change{pendingReset_, pendingReset_ ? 0 : std::min(pendingFirstNewRow_, rowCount_), rowCount_,
                             current_};
    std::vector<RecordTableListener*> listeners = listeners_;
    for (RecordTableListener* listener : listeners)
        listener->recordTableChanged(change);
}

void RecordTable::notify(bool reset, std::size_t firstNewRow)
{
    if (!followers_.empty()) {
        const RecordTableChange change{reset, reset ? 0 : firstNewRow, rowCount_, current_};
        // By index: a follower never adds or removes one while it is told.
        for (std::size_t i = 0; i < followers_.size(); ++i)
            followers_[i]->recordTableChanged(change);
    }
    if (freeze_ > 0) {
        pendingChange_ = true;
        pendingReset_ = pendingReset_ || reset;
        return;
    }
    if (listeners_.empty())
        return;
    RecordTableChange change{reset, reset ? 0 : firstNewRow, rowCount_, current_};
    std::vector<RecordTableListener*> listeners = listeners_;
    for (RecordTableListener* listener : listeners)
        listener->recordTableChanged(change);
}

std::size_t RecordTable::memoryBytes() const
{
    std::size_t bytes = sizeof(*this) + starts_.capacity() * sizeof(std::size_t) +
                        segments_.capacity() * sizeof(std::shared_ptr<RecordSegment>);
    for (const auto& segment : segments_)
        bytes += segment->memoryBytes();
    if (storedLog_)
        bytes += storedLog_->capacity() * sizeof(RecordChangeRun);
    return bytes;
}
