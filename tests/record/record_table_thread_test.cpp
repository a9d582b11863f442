#include "record/record_table.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

RecordRow rowOf(int i)
{
    RecordRow row;
    row.setNo(i);
    row.setText(RecordField::Time, std::to_string(i % 86400));
    row.setText(RecordField::Value, std::to_string(i));
    return row;
}

// A save reads rows [0, n) on a worker while the main thread goes on
// recording, then empties the table: the worker must see exactly its rows.
TEST(RecordTableThreads, ReaderOnAWorkerWhileTheOwnerAppendsAndClears)
{
    RecordTable table;
    for (int i = 0; i < 50000; ++i)
        table.appendRow(rowOf(i));
    RecordTableReader reader = table.reader();

    std::atomic<bool> ok{true};
    std::thread worker([&ok, reader = std::move(reader)] {
        for (int pass = 0; pass < 3; ++pass) {
            for (std::size_t i = 0; i < reader.rowCount(); ++i) {
                if (reader.no(i) != static_cast<int>(i) ||
                    reader.text(i, RecordField::Value) != std::string_view(std::to_string(i))) {
                    ok = false;
                    return;
                }
            }
        }
    });
    for (int i = 50000; i < 250000; ++i)
        table.appendRow(rowOf(i));
    table.clear();
    for (int i = 0; i < 1000; ++i)
        table.appendRow(rowOf(i));
    worker.join();
    EXPECT_TRUE(ok);
}

}  // namespace
