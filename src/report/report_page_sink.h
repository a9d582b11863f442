#pragma once

#include <string>

/// Where a report's pages go, one at a time: a file of one of the export
/// forms, or a printer. A sink is begun once, given pages in order, and
/// then either finished or aborted.
class ReportPageSink {
public:
    virtual ~ReportPageSink() = default;

    /// Prepares the output; false on failure (see errorText()).
    virtual bool begin() = 0;
    /// Writes page @p number (1-based); false on failure.
    virtual bool writePage(int number) = 0;
    /// Completes the output; false on failure, which leaves nothing behind.
    virtual bool finish() = 0;
    /// Drops everything written so far.
    virtual void abort() = 0;

    /// What went wrong, for the user.
    virtual std::string errorText() const = 0;
};
