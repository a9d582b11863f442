#pragma once

#include <QFont>

/// The typefaces of the virtual LCD. The two seven- and fourteen-segment
/// families are bundled in the program's resources and registered on first
/// use; the other labels use Arial (or what the system offers in its place).
enum class LcdTypeface { Segment7, Segment14, Arial };

/// Registers the bundled segment fonts once; true when both are available.
bool loadLcdFonts();

/// Family name of a typeface ("DSEG7 Classic", "DSEG14 Classic", "Arial").
QString lcdFamily(LcdTypeface typeface);

/// A font of the typeface with a character height of @p pixels.
QFont lcdFont(LcdTypeface typeface, int pixels, bool bold);
