#include "app/ui/journal_recovery_dialog.h"

#include <QFile>
#include <QMessageBox>
#include <QPushButton>

void askAboutLeftoverJournal(QWidget* parent, const LeftoverJournal& journal,
                             std::function<void(JournalRecovery::Answer)> answer)
{
    auto* box = new QMessageBox(QMessageBox::Question, QStringLiteral("Recover readings"),
                                QString::fromLatin1(journal.question()), QMessageBox::NoButton, parent);
    box->setObjectName(QStringLiteral("JournalRecoveryDialog"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    QPushButton* yes = box->addButton(QMessageBox::Yes);
    // "No" deletes the readings, so only a click on it may: Escape and the
    // close box mean "Later", which keeps the journal for the next start.
    QPushButton* no = box->addButton(QStringLiteral("No"), QMessageBox::ActionRole);
    QPushButton* later = box->addButton(QStringLiteral("Later"), QMessageBox::RejectRole);
    box->setDefaultButton(yes);
    box->setEscapeButton(later);
    box->setDetailedText(QStringLiteral("Journal: ") + QFile::decodeName(QByteArray::fromStdString(journal.path())));
    QObject::connect(box, &QDialog::finished, box, [box, yes, no, answer = std::move(answer)] {
        // Later, Escape and the close box alike.
        const QAbstractButton* clicked = box->clickedButton();
        answer(clicked == yes  ? JournalRecovery::Answer::Yes
               : clicked == no ? JournalRecovery::Answer::No
                               : JournalRecovery::Answer::Undecided);
    });
    box->open();
}
