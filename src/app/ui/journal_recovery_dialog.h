#pragma once

#include "app/journal_recovery.h"

#include <functional>

class LeftoverJournal;
class QWidget;

/// Asks, in a window of its own over @p parent, whether the readings of
/// @p journal go back into the table: Yes, No, or Later (also Escape and
/// the close box), which leaves the journal for the next start. The window
/// is opened without a loop of its own, so the meter goes on being read
/// while it waits.
void askAboutLeftoverJournal(QWidget* parent, const LeftoverJournal& journal,
                             std::function<void(JournalRecovery::Answer)> answer);
