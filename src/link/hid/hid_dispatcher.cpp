#include "link/hid/hid_dispatcher.h"

#include <algorithm>

void THidDispatcher::enqueue(const std::shared_ptr<Item>& item)
{
    bool wake = false;
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(item);
        wake = !wakeRequested_;
        wakeRequested_ = true;
    }
    cond_.notify_all();
    if (wake)
        WakeMainThread();
}

void THidDispatcher::runItem(Item& item)
{
    // A failure of a handler goes back to the reader that handed it over;
    // one of a posted call ends only that call, never the caller's loop.
    try {
        item.Work();
    } catch (...) {
        if (item.Synchronous) {
            item.Error = std::current_exception();
            return;
        }
        std::string what = "unknown exception";
        try {
            throw;
        } catch (const std::exception& failure) {
            what = failure.what();
        } catch (...) {
        }
        if (failureHandler_) {
            try {
                failureHandler_(what);
            } catch (...) {
            }
        }
    }
}

std::size_t THidDispatcher::RunPending()
{
    std::size_t count = 0;
    std::unique_lock lock(mutex_);
    wakeRequested_ = false;
    // Only what is queued now: a reader that keeps handing over (a device
    // failing every read) must not keep the main thread from its other work.
    std::size_t batch = queue_.size();
    while (batch-- > 0 && !queue_.empty()) {
        std::shared_ptr<Item> item = queue_.front();
        queue_.pop_front();
        lock.unlock();
        runItem(*item);
        lock.lock();
        item->Done = true;
        ++count;
        cond_.notify_all();
    }
    return count;
}

std::exception_ptr THidDispatcher::Synchronize(std::function<void()> work)
{
    auto item = std::make_shared<Item>();
    item->Work = std::move(work);
    item->Synchronous = true;
    enqueue(item);
    std::unique_lock lock(mutex_);
    cond_.wait(lock, [&] { return item->Done; });
    return item->Error;
}

void THidDispatcher::Post(std::function<void()> work)
{
    auto item = std::make_shared<Item>();
    item->Work = std::move(work);
    enqueue(item);
}

void THidDispatcher::ServeUntil(const std::function<bool()>& done)
{
    std::unique_lock lock(mutex_);
    for (;;) {
        auto it = std::find_if(queue_.begin(), queue_.end(),
                               [](const std::shared_ptr<Item>& i) { return i->Synchronous; });
        if (it != queue_.end()) {
            std::shared_ptr<Item> item = *it;
            queue_.erase(it);
            lock.unlock();
            runItem(*item);
            lock.lock();
            item->Done = true;
            cond_.notify_all();
            continue;
        }
        if (done())
            return;
        cond_.wait(lock);
    }
}

void THidDispatcher::NotifyWaiters()
{
    { std::lock_guard lock(mutex_); }
    cond_.notify_all();
}

std::size_t THidDispatcher::PendingCount() const
{
    std::lock_guard lock(mutex_);
    return queue_.size();
}

bool THidDispatcher::WaitForPending(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    return cond_.wait_for(lock, timeout, [&] { return !queue_.empty(); });
}
