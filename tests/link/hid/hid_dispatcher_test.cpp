#include "link/hid/hid_manual_dispatcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

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

// Posted work that throws ends only itself: the failure handler hears of it,
// the rest of the batch runs and nothing reaches the caller's loop.
TEST(HidDispatcher, AFailureOfPostedWorkIsReportedAndTheRestRuns)
{
    THidManualDispatcher dispatcher;
    std::vector<std::string> failures;
    dispatcher.SetFailureHandler([&](const std::string& what) { failures.push_back(what); });
    int ran = 0;
    dispatcher.Post([] { throw std::runtime_error("bad device"); });
    dispatcher.Post([] { throw 42; });
    dispatcher.Post([&] { ++ran; });
    EXPECT_NO_THROW(EXPECT_EQ(dispatcher.RunPending(), 3u));
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(failures, (std::vector<std::string>{"bad device", "unknown exception"}));

    // Without a handler, and with one that throws itself, the loop still goes on.
    dispatcher.SetFailureHandler([](const std::string&) { throw std::logic_error("handler"); });
    dispatcher.Post([] { throw std::runtime_error("again"); });
    EXPECT_NO_THROW(dispatcher.RunPending());
    dispatcher.SetFailureHandler({});
    dispatcher.Post([] { throw std::runtime_error("again"); });
    EXPECT_NO_THROW(dispatcher.RunPending());
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
