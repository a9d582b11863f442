#pragma once

#include <QFont>

/// The layout's default face "MS Sans Serif" at a character height of
/// @p pixels. Where the system lacks it, Arial's metric twin stands in
/// rather than a wider sans-serif, so captions fit their controls.
QFont msSansSerif(int pixels, bool underline = false);

/// Arial (or its metric twin) at a character height of @p pixels.
QFont arial(int pixels, bool bold = false, bool italic = false, bool underline = false);
