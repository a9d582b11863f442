#pragma once

#include <QLoggingCategory>

/// What the application shell writes to the terminal (HID start-up, failed
/// posted work); the core units below it report through return values.
Q_DECLARE_LOGGING_CATEGORY(zqApp)
