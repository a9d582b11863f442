#include "app/message_queue.h"

#include <algorithm>
#include <utility>

bool MessageQueue::raise(UserMessage message)
{
    if (showing_ == message || std::find(waiting_.begin(), waiting_.end(), message) != waiting_.end())
        return false;
    if (waiting_.size() == kMostWaiting) {
        ++overflowed_;
        return false;
    }
    waiting_.push_back(std::move(message));
    return true;
}

std::optional<UserMessage> MessageQueue::takeNext()
{
    if (showing_ || waiting_.empty())
        return std::nullopt;
    showing_ = std::move(waiting_.front());
    waiting_.pop_front();
    return showing_;
}
