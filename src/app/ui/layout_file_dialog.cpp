#include "app/ui/layout_file_dialog.h"

#include <QFileDialog>

QFileDialog* createFileDialog(QWidget* parent, const FileDialogLayout& layout)
{
    auto* dialog = new QFileDialog(parent);
    dialog->setObjectName(QString::fromLatin1(layout.name));
    dialog->setAcceptMode(layout.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(layout.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    QStringList filters;
    for (const std::string& filter : nameFilters(layout.filter))
        filters << QString::fromLatin1(filter.data(), static_cast<qsizetype>(filter.size()));
    dialog->setNameFilters(filters);
    dialog->setDefaultSuffix(QString::fromLatin1(layout.defaultExt));
    dialog->setOption(QFileDialog::DontConfirmOverwrite, !layout.confirmOverwrite);
    if (layout.save)
        QObject::connect(dialog, &QFileDialog::filterSelected, dialog, [dialog](const QString& filter) {
            dialog->setDefaultSuffix(QString::fromStdString(defaultSuffixOf(filter.toStdString())));
        });
    return dialog;
}
