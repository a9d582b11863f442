#pragma once

#include "app/message_queue.h"

#include <QObject>

#include <functional>

class QWidget;

/// Shows the window's queued messages as message boxes, one at a time:
/// window-modal, but opened without a loop of their own, so the event loop,
/// and with it every reading, goes on while a box waits for its OK.
class MessageBoxes : public QObject {
    Q_OBJECT
public:
    /// Runs a function on the main thread after the running handler.
    using Post = std::function<void(std::function<void()>)>;

    /// Boxes open over @p window; each is opened through @p post, never
    /// inside the handler that raised it.
    MessageBoxes(QWidget* window, Post post);

    /// Queues @p message (see MessageQueue).
    void show(UserMessage message);

    const MessageQueue& queue() const { return queue_; }

private:
    void showNext();

    QWidget* window_;
    Post post_;
    MessageQueue queue_;
};
