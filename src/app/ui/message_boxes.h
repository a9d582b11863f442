#pragma once

#include "app/message_queue.h"

#include <QObject>

#include <functional>

class QWidget;

/// Shows the window's queued messages as message boxes, one at a time:
/// window-modal, but opened without a loop of their own, so the event loop,
/// and with it every reading, goes on while a box waits for its answer.
class MessageBoxes : public QObject {
    Q_OBJECT
public:
    /// Runs a function on the main thread after the running handler.
    using Post = std::function<void(std::function<void()>)>;

    /// Boxes open over @p window; each is opened through @p post, never
    /// inside the handler that raised it, and a box's reply is told through
    /// @p post too, after the box has closed.
    MessageBoxes(QWidget* window, Post post);

    /// Queues @p message (see MessageQueue); false when it was dropped, so
    /// its reply will never come.
    bool show(UserMessage message);

    const MessageQueue& queue() const { return queue_; }

private:
    void showNext();

    QWidget* window_;
    Post post_;
    MessageQueue queue_;
};
