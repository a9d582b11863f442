#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

/// The main thread as the HID layer sees it: a hand-over queue that read
/// threads and the device-change notification fill, and that the main thread
/// empties.
///
/// The application derives from it and implements WakeMainThread so that the
/// main thread soon calls RunPending. A Qt program posts a queued call:
///
///     class QtHidDispatcher : public QObject, public THidDispatcher {
///         void WakeMainThread() override {
///             QMetaObject::invokeMethod(this, [this] { RunPending(); }, Qt::QueuedConnection);
///         }
///     };
///
/// Tests and the command line use THidManualDispatcher. The dispatcher must
/// outlive the controller and every device object.
class THidDispatcher {
public:
    THidDispatcher() = default;
    THidDispatcher(const THidDispatcher&) = delete;
    THidDispatcher& operator=(const THidDispatcher&) = delete;
    virtual ~THidDispatcher() = default;

    /// Main thread. Runs the hand-overs queued when it is called, oldest
    /// first (later ones wait for the next call); returns how many ran. An
    /// exception from a posted call goes to the failure handler and the rest
    /// still run; one from a reader's hand-over goes back to that reader.
    /// Nothing is thrown.
    std::size_t RunPending();

    /// Main thread. Told what a posted call that threw said; without one the
    /// failure is only swallowed.
    void SetFailureHandler(std::function<void(const std::string& what)> handler)
    {
        failureHandler_ = std::move(handler);
    }

    /// Worker thread. Queues @p work, wakes the main thread and blocks until
    /// the main thread has run it. Returns the exception @p work raised, if any.
    std::exception_ptr Synchronize(std::function<void()> work);

    /// Any thread. Queues @p work for the main thread without waiting.
    void Post(std::function<void()> work);

    /// Main thread. Runs the hand-overs that workers wait for (not posted
    /// calls) until @p done returns true; @p done is checked after each wake
    /// (see NotifyWaiters).
    void ServeUntil(const std::function<bool()>& done);

    /// Any thread. Wakes ServeUntil so it checks its condition again.
    void NotifyWaiters();

    /// Any thread. Hand-overs and posted calls queued now.
    std::size_t PendingCount() const;

protected:
    /// Any thread, never with a lock of the layer held. Makes the main thread
    /// call RunPending soon. Called once per batch: after it, further
    /// hand-overs do not call it again until RunPending has started.
    virtual void WakeMainThread() = 0;

    /// Main thread. Waits at most @p timeout for something to be queued;
    /// true when something is.
    bool WaitForPending(std::chrono::milliseconds timeout);

private:
    struct Item {
        std::function<void()> Work;
        bool Synchronous = false;
        bool Done = false;
        std::exception_ptr Error;
    };

    void enqueue(const std::shared_ptr<Item>& item);
    void runItem(Item& item);

    mutable std::mutex mutex_;
    std::condition_variable cond_;
    std::deque<std::shared_ptr<Item>> queue_;
    bool wakeRequested_ = false;
    std::function<void(const std::string&)> failureHandler_;
};
