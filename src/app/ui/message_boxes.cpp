#include "app/ui/message_boxes.h"

#include <QFile>
#include <QMessageBox>

namespace {

QString textOf(const UserMessage& message, const std::string& text)
{
    const QByteArray bytes = QByteArray::fromStdString(text);
    return message.namesFile ? QFile::decodeName(bytes) : QString::fromLatin1(bytes);
}

}  // namespace

MessageBoxes::MessageBoxes(QWidget* window, Post post) : QObject(window), window_(window), post_(std::move(post)) {}

void MessageBoxes::show(UserMessage message)
{
    // A read thread may be waiting for the handler that raised it, and the
    // cable's buffer holds under a second of readings.
    if (queue_.raise(std::move(message)))
        post_([this] { showNext(); });
}

void MessageBoxes::showNext()
{
    const std::optional<UserMessage> message = queue_.takeNext();
    if (!message)
        return;
    auto* box = new QMessageBox(message->icon == UserMessage::Icon::Error ? QMessageBox::Critical
                                                                          : QMessageBox::Information,
                                textOf(*message, message->caption), textOf(*message, message->text),
                                QMessageBox::Ok, window_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QDialog::finished, this, [this] {
        queue_.closed();
        showNext();
    });
    box->open();
}
