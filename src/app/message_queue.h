#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>

/// A message box for the user: an icon, a caption, a text of 8-bit
/// characters of the system code page and its buttons. A box with more
/// than OK asks a question; its answer comes back through onReply.
struct UserMessage {
    enum class Icon : std::uint8_t { Information, Error, Warning, Question };
    /// The buttons a box offers. OkCancel confirms a step that cannot be
    /// undone, so Cancel is its default button; Save is the default of
    /// SaveDiscardCancel. Escape and closing the box are Cancel wherever
    /// there is one.
    enum class Buttons : std::uint8_t { Ok, OkCancel, SaveDiscardCancel };
    enum class Reply : std::uint8_t { Ok, Cancel, Save, Discard };
    using ReplyHandler = std::function<void(Reply)>;

    Icon icon = Icon::Information;
    std::string caption;
    std::string text;
    /// The text names a file as the system spells file names
    /// (QFile::encodeName), which may differ from the code page of texts.
    bool namesFile = false;
    Buttons buttons = Buttons::Ok;
    /// Told the button chosen, once, on the main thread after the box has
    /// closed. Never told when nobody shows the box (the command line, a
    /// test that does not answer) or when the queue dropped it: a question
    /// nobody answered changes nothing.
    ReplyHandler onReply = {};

    static UserMessage information(std::string text) { return {Icon::Information, "Information", std::move(text)}; }
    static UserMessage error(std::string text) { return {Icon::Error, "Error", std::move(text)}; }
    /// A question with @p buttons whose answer goes to @p onReply.
    static UserMessage question(Icon icon, std::string caption, std::string text, Buttons buttons,
                                ReplyHandler onReply)
    {
        return {icon, std::move(caption), std::move(text), false, buttons, std::move(onReply)};
    }

    /// What the user sees: the reply handler takes no part, so a question
    /// raised again while it waits is one box, answered once.
    friend bool operator==(const UserMessage& a, const UserMessage& b)
    {
        return a.icon == b.icon && a.caption == b.caption && a.text == b.text && a.namesFile == b.namesFile &&
               a.buttons == b.buttons;
    }
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
