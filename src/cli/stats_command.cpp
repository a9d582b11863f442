#include "cli/stats_command.h"

#include "cli/command_help.h"
#include "cli/convert_command.h"
#include "cli/json_line.h"
#include "record/record_file.h"
#include "record/record_file_error.h"
#include "record/record_file_input.h"
#include "record/record_statistics.h"
#include "record/record_table.h"
#include "record/text_table_file.h"

#include <cmath>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <ostream>
#include <thread>

namespace {

/// Seconds are whole by the time rule; written as integers they stay
/// "86400" where the shortest form of the double would be "8.64e+04".
JsonLine& seconds(JsonLine& line, std::string_view key, double value)
{
    if (value == std::trunc(value) && std::fabs(value) < 9007199254740992.0)
        return line.integer(key, static_cast<std::int64_t>(value));
    return line.number(key, value);
}

std::optional<std::int64_t> wide(std::optional<std::int32_t> no)
{
    return no ? std::optional<std::int64_t>(*no) : std::nullopt;
}

/// Makes the figures of a table on a thread of its own while the table is
/// still being read, so that they cost next to nothing beyond the read: the
/// rows go over in batches, each with a reader of the table as it is then.
class StreamingStatistics final : private RecordTableListener {
public:
    explicit StreamingStatistics(RecordTable& table) : table_(table)
    {
        table_.addFollower(this);
        worker_ = std::thread([this] { run(); });
    }
    ~StreamingStatistics() override { finish(); }
    StreamingStatistics(const StreamingStatistics&) = delete;
    StreamingStatistics& operator=(const StreamingStatistics&) = delete;

    /// The figures of every row the table holds now.
    const RecordStatistics& finish()
    {
        if (worker_.joinable()) {
            table_.removeFollower(this);
            hand(table_.rowCount());
            {
                const std::lock_guard lock(mutex_);
                done_ = true;
            }
            wake_.notify_one();
            worker_.join();
        }
        return statistics_;
    }

private:
    static constexpr std::size_t kBatchRows = std::size_t{1} << 16;

    struct Batch {
        bool reset = false;
        RecordTableReader rows;
        std::size_t from = 0;
    };

    void recordTableChanged(const RecordTableChange& change) override
    {
        if (change.reset) {
            push({true, {}, 0});
            handed_ = 0;
        }
        if (change.rowCount >= handed_ + kBatchRows || (change.reset && change.rowCount > 0))
            hand(change.rowCount);
    }

    void hand(std::size_t rows)
    {
        if (rows <= handed_)
            return;
        push({false, table_.reader(), handed_});
        handed_ = rows;
    }

    void push(Batch batch)
    {
        {
            const std::lock_guard lock(mutex_);
            batches_.push_back(std::move(batch));
        }
        wake_.notify_one();
    }

    void run()
    {
        for (;;) {
            Batch batch;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return done_ || !batches_.empty(); });
                if (batches_.empty())
                    return;
                batch = std::move(batches_.front());
                batches_.pop_front();
            }
            if (batch.reset) {
                statistics_.clear();
                continue;
            }
            for (std::size_t row = batch.from; row < batch.rows.rowCount(); ++row)
                statistics_.add(batch.rows, row);
        }
    }

    RecordTable& table_;
    std::size_t handed_ = 0;  ///< rows handed to the worker (table's thread)
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Batch> batches_;
    bool done_ = false;
    RecordStatistics statistics_;  ///< the worker's until it has ended
    std::thread worker_;
};

/// Reads @p fileName into @p table as Open Data does: a text file's rows are
/// appended as they are read (the rows of the lines before a failing one
/// too), a data packet replaces the content.
bool openStreamed(RecordTable& table, const std::string& fileName, std::ostream& err)
{
    if (recordFileForm(fileName) == RecordFileForm::XmlDataPacket)
        return openRecordFileHeadless(table, fileName, err);
    RecordFileInput in;
    RecordFileError error;
    if (!in.open(fileName))
        error.reason = in.failure();
    else if (TextTableFile::read(in, table, nullptr, &error))
        return true;
    err << "Failed to Load File!\n" << error.describe(fileName) << '\n';
    return false;
}

}  // namespace

std::string statisticsJsonLines(const RecordStatistics& statistics)
{
    std::string lines;
    for (const StatisticsGroup& group : statistics.groups()) {
        JsonLine line;
        line.string("field", recordFieldName(group.field))
            .string("unit", group.unit)
            .integer("count", static_cast<std::int64_t>(group.count))
            .integer("skipped", static_cast<std::int64_t>(group.skipped))
            .optionalNumber("min", group.min)
            .optionalInteger("min_no", wide(group.minNo))
            .optionalNumber("max", group.max)
            .optionalInteger("max_no", wide(group.maxNo))
            .optionalNumber("mean", group.mean)
            .optionalNumber("stddev", group.stddev);
        seconds(line, "hold_s", group.holdSeconds);
        if (group.integralHours)
            line.number("integral_h", *group.integralHours);
        lines += line.finish();
        lines += '\n';
    }
    JsonLine last;
    last.integer("rows", static_cast<std::int64_t>(statistics.rows()));
    seconds(last, "duration_s", statistics.durationSeconds());
    lines += last.finish();
    lines += '\n';
    return lines;
}

int runStatsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty()) {
        err << commandUsage("stats");
        return 2;
    }
    RecordTable table;
    StreamingStatistics statistics(table);
    for (const std::string& file : args)
        if (!openStreamed(table, file, err))
            return 1;
    out << statisticsJsonLines(statistics.finish());
    out.flush();
    return out ? 0 : 1;
}
