#include "app/ui/message_boxes.h"

#include <QAbstractButton>
#include <QFile>
#include <QMessageBox>

namespace {

QString textOf(const UserMessage& message, const std::string& text)
{
    const QByteArray bytes = QByteArray::fromStdString(text);
    return message.namesFile ? QFile::decodeName(bytes) : QString::fromLatin1(bytes);
}

QMessageBox::Icon iconOf(UserMessage::Icon icon)
{
    switch (icon) {
    case UserMessage::Icon::Error: return QMessageBox::Critical;
    case UserMessage::Icon::Warning: return QMessageBox::Warning;
    case UserMessage::Icon::Question: return QMessageBox::Question;
    case UserMessage::Icon::Information: break;
    }
    return QMessageBox::Information;
}

struct ButtonSet {
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton;
    /// Escape, the box's close button and any way out but a button.
    QMessageBox::StandardButton escapeButton;
};

ButtonSet buttonSetOf(UserMessage::Buttons buttons)
{
    switch (buttons) {
    case UserMessage::Buttons::OkCancel:
        return {QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel, QMessageBox::Cancel};
    case UserMessage::Buttons::SaveDiscardCancel:
        return {QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save,
                QMessageBox::Cancel};
    case UserMessage::Buttons::Ok: break;
    }
    return {QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok};
}

UserMessage::Reply replyOf(QMessageBox::StandardButton button)
{
    switch (button) {
    case QMessageBox::Ok: return UserMessage::Reply::Ok;
    case QMessageBox::Save: return UserMessage::Reply::Save;
    case QMessageBox::Discard: return UserMessage::Reply::Discard;
    default: return UserMessage::Reply::Cancel;
    }
}

}  // namespace

MessageBoxes::MessageBoxes(QWidget* window, Post post) : QObject(window), window_(window), post_(std::move(post)) {}

bool MessageBoxes::show(UserMessage message)
{
    // A read thread may be waiting for the handler that raised it, and the
    // cable's buffer holds under a second of readings.
    if (!queue_.raise(std::move(message)))
        return false;
    post_([this] { showNext(); });
    return true;
}

void MessageBoxes::showNext()
{
    const std::optional<UserMessage> message = queue_.takeNext();
    if (!message)
        return;
    const ButtonSet set = buttonSetOf(message->buttons);
    auto* box = new QMessageBox(iconOf(message->icon), textOf(*message, message->caption),
                                textOf(*message, message->text), set.buttons, window_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setDefaultButton(set.defaultButton);
    box->setEscapeButton(set.escapeButton);
    connect(box, &QDialog::finished, this, [this, box, set, onReply = message->onReply] {
        // Only a button the user chose counts; a box closed any other way
        // takes the way out, so no question is answered "OK" by accident.
        QAbstractButton* clicked = box->clickedButton();
        const UserMessage::Reply reply = replyOf(clicked ? box->standardButton(clicked) : set.escapeButton);
        queue_.closed();
        // The reply may open a dialog of its own: not inside the box's
        // handler, which is still closing the box.
        if (onReply)
            post_([onReply, reply] { onReply(reply); });
        post_([this] { showNext(); });
    });
    box->open();
}
