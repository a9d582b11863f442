#include "link/hid/hid_manual_dispatcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

using namespace std::chrono_literals;

namespace {

TEST(HidDispatcher, SynchronizeBlocksUntilTheMainThreadRanTheWork)
{
    THidManualDispatcher dispatcher;
    std::atomic<bool> returned{false};
    bool ran = false;
    std::thread worker([&] {
        EXPECT_EQ(dispatcher.Synchronize([&] { ran = true; }), nullptr);
        returned = true;
    });
    EXPECT_TRUE(dispatcher.WaitForPending(10s));
    EXPECT_FALSE(returned);
    EXPECT_EQ(dispatcher.RunPending(), 1u);
    worker.join();
    EXPECT_TRUE(ran);
    EXPECT_TRUE(returned);
}

TEST(HidDispatcher, AFailureOfSynchronizedWorkGoesBackToTheWorker)
{
    THidManualDispatcher dispatcher;
    std::exception_ptr error;
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        error = dispatcher.Synchronize([] { throw std::runtime_error("x"); });
        returned = true;
    });
    EXPECT_TRUE(dispatcher.RunUntil([&] { return returned.load(); }, 10s));
    worker.join();
    EXPECT_THROW(std::rethrow_exception(error), std::runtime_error);
}

// ServeUntil runs what workers wait for, but leaves posted calls (device
// change passes) to the event loop.
TEST(HidDispatcher, ServeUntilRunsOnlyWaitedForHandOvers)
{
    THidManualDispatcher dispatcher;
    int posted = 0;
    dispatcher.Post([&] { ++posted; });
    std::atomic<bool> done{false};
    std::thread worker([&] {
        dispatcher.Synchronize([] {});
        done = true;
        dispatcher.NotifyWaiters();
    });
    dispatcher.ServeUntil([&] { return done.load(); });
    worker.join();
    EXPECT_EQ(posted, 0);
    EXPECT_EQ(dispatcher.RunPending(), 1u);
    EXPECT_EQ(posted, 1);
}

TEST(HidDispatcher, RunPendingRunsOnlyWhatWasQueuedWhenCalled)
{
    THidManualDispatcher dispatcher;
    int runs = 0;
    std::function<void()> again = [&] {
        ++runs;
        dispatcher.Post(again);
    };
    dispatcher.Post(again);
    EXPECT_EQ(dispatcher.RunPending(), 1u);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(dispatcher.PendingCount(), 1u);
}

}  // namespace
