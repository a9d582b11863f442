#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <utility>

/// A message box for the user: one OK button, an icon, a caption and a
/// text of 8-bit characters of the system code page.
struct UserMessage {
    enum class Icon { Information, Error };
    Icon icon = Icon::Information;
    std::string caption;
    std::string text;
    /// The text names a file as the system spells file names
    /// (QFile::encodeName), which may differ from the code page of texts.
    bool namesFile = false;

    static UserMessage information(std::string text) { return {Icon::Information, "Information", std::move(text)}; }
    static UserMessage error(std::string text) { return {Icon::Error, "Error", std::move(text)}; }

    friend bool operator==(const UserMessage&, const UserMessage&) = default;
};

/// The boxes waiting to be shown, one at a time. Whatever raises a message
/// (a frame handed over by a read thread, a timer, a finished file job)
/// only queues it and goes on; the window shows the next box once the
/// handler has returned and the one before is closed. A message equal to
/// the one on screen or to one waiting is dropped, so a fault that every
/// reading meets raises one box, not one per reading. Main thread.
class MessageQueue {
public:
    /// More distinct messages than this waiting are dropped (counted).
    static constexpr std::size_t kMostWaiting = 32;

    /// Queues @p message; false when it was dropped.
    bool raise(UserMessage message);
    /// The message to show now: the oldest waiting one, when no box is
    /// showing; it counts as showing until closed() is called.
    std::optional<UserMessage> takeNext();
    /// The box on screen was closed.
    void closed() { showing_.reset(); }

    bool showing() const { return showing_.has_value(); }
    std::size_t waiting() const { return waiting_.size(); }
    /// Messages dropped because too many distinct ones waited.
    std::size_t overflowed() const { return overflowed_; }

private:
    std::optional<UserMessage> showing_;
    std::deque<UserMessage> waiting_;
    std::size_t overflowed_ = 0;
};
