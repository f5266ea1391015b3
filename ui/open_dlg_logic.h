// What the open dialog (template 29005) decides without the window system: the rows of the map
// list for a folder, how a row's text is shortened to fit its column, and the path OK returns.
// The Win32 layer (open_dlg_win32.cpp) only measures, draws and forwards events.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "res/resource_ids.h"

namespace ui {

// Control identifiers and messages of the open dialog.
constexpr int kOpenTemplate = IDD_OPEN_LEM;
constexpr int kTreeFrame = IDC_TREE_FRAME;
constexpr int kMapList = IDC_MAP_LIST;
constexpr int kPromptText = IDC_PROMPT;
constexpr int kStartBrowseCommand = ID_STARTBROWSE;
constexpr unsigned kFolderSelectedMessage = 2168;
constexpr unsigned kListSetFocusMessage = 2169;
constexpr unsigned kListKillFocusMessage = 2170;

// Row texts live in 260-byte buffers with their terminator.
constexpr size_t kRowTextBytes = 260;

struct MapListRow {
    std::string title;  // column 0: "火山標高 <title>"
    std::string file;   // column 1: base name + ".lem"
    bool operator==(const MapListRow&) const = default;
};

// The rows for the .lem files in folder, in the order the folder search returns them. A file is
// listed when its header, in "HEADER\" beside the folder or else beside the data file, reads in
// title mode.
[[nodiscard]] std::vector<MapListRow> FillMapList(const std::string& folder);

// The two places where the list looks for the header of base in folder, first one first. A
// place whose path would not fit 260 bytes is empty.
struct HeaderPlaces {
    std::string beside;  // <parent of folder>\HEADER\<base>.csv
    std::string local;   // <folder>\<base>.csv
};
[[nodiscard]] HeaderPlaces HeaderPlacesFor(const std::string& folder, const std::string& base);

// Column-0 text for a title, cut at a character boundary so that it fits kRowTextBytes.
[[nodiscard]] std::string TitleRowText(std::string_view title);
// Column-1 text: base followed by ".lem", cut at a character boundary to fit kRowTextBytes.
[[nodiscard]] std::string FileRowText(std::string_view base);

// Start of the character before pos in code page 932 text, as CharPrevEx gives it: double-byte
// characters step as one. 0 when pos is at or before the first character's end.
[[nodiscard]] size_t PreviousCharacter(std::string_view text, size_t pos);

// Measures a text in the list's font, in pixels.
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    [[nodiscard]] virtual int Width(std::string_view text) const = 0;
};

enum class TextAlign { Left, Center, Right };

// How one column's text of a row is drawn between the column's left and right edges.
struct ColumnText {
    std::string text;
    int left = 0;
    int right = 0;
    TextAlign align = TextAlign::Left;
};

// Too wide a text (more than the column width less 12) ends in "..." and is drawn left-aligned
// from left + 6; others are drawn whole between 6-pixel margins with the column's alignment.
[[nodiscard]] ColumnText LayOutColumnText(std::string_view text, int left, int width, TextAlign columnAlign,
                                          const TextMeasurer& measurer);

// The shortening alone: the longest beginning of text that, with "..." appended, measures at
// most width - 5, but never less than the first character and "...".
[[nodiscard]] std::string ShortenWithEllipsis(std::string_view text, int width, const TextMeasurer& measurer);

// The OK step's path: folder with the chosen row's file name. false (out untouched) when the
// result would not fit 260 bytes.
[[nodiscard]] bool ComposeChosenPath(const std::string& folder, const std::string& file, std::string& out);

}  // namespace ui
