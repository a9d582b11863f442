#pragma once

#include "app/file_dialogs.h"

class QFileDialog;
class QWidget;

/// A file dialog over @p parent as @p layout describes it: its filter,
/// default extension and options. A save dialog's default extension
/// follows the file type chosen in it, so a name typed without one gets
/// the extension of that type.
QFileDialog* createFileDialog(QWidget* parent, const FileDialogLayout& layout);
