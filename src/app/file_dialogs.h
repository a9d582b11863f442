#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

/// A file dialog of the main window as laid out.
struct FileDialogLayout {
    const char* name;
    bool save;
    /// Pairs of description and pattern separated by "|"; the first pair is
    /// the initial choice. Several patterns of one pair are separated by ";".
    const char* filter;
    /// Extension added to a typed name without one; empty for none.
    const char* defaultExt;
    /// Save dialogs: ask before overwriting an existing file.
    bool confirmOverwrite;
};

/// SaveDialog2, OpenDialog1 and SavePictureDialog1.
std::span<const FileDialogLayout> fileDialogLayouts();

/// The layout of the dialog called @p name; nullptr when there is none.
const FileDialogLayout* fileDialogLayout(std::string_view name);

/// Turns a "description|pattern|description|pattern" filter into name
/// filters of the form "description (pattern pattern)", in order. A
/// description that already ends with its patterns in parentheses is kept
/// as it is; a pair with an empty pattern is dropped, and so is a trailing
/// description without a pattern.
std::vector<std::string> nameFilters(std::string_view filter);

/// The extension a save dialog adds to a typed name without one while
/// @p nameFilter (one of nameFilters()) is chosen: its first pattern's
/// extension ("XML(*.xml)" gives "xml"); empty when that pattern names no
/// single extension ("*", "*.*", "*.x?s").
std::string defaultSuffixOf(std::string_view nameFilter);
