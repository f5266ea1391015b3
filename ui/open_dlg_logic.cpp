#include "ui/open_dlg_logic.h"

#include <memory>

#include "lem/lem_map.h"
#include "lem/path.h"
#include "platform/cp932.h"
#include "platform/file.h"
#include "platform/find.h"
#include "platform/result.h"
#include "ui/messages.h"

namespace ui {
namespace {

constexpr char kTitlePrefix[] = "火山標高 ";
constexpr char kEllipsis[] = "...";

// Length of the character starting at pos; a lead byte at the very end stands alone.
size_t CharacterLength(std::string_view text, size_t pos) {
    if (cp932::IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()) return 2;
    return 1;
}

// The longest beginning of text of at most maxBytes bytes that ends on a character boundary.
std::string_view CutAtCharacter(std::string_view text, size_t maxBytes) {
    size_t end = 0;
    while (end < text.size()) {
        size_t next = end + CharacterLength(text, end);
        if (next > maxBytes) break;
        end = next;
    }
    return text.substr(0, end);
}

}  // namespace

size_t PreviousCharacter(std::string_view text, size_t pos) {
    if (pos > text.size()) pos = text.size();
    size_t start = 0;
    size_t previous = 0;
    while (start < pos) {
        previous = start;
        start += CharacterLength(text, start);
    }
    return previous;
}

std::string TitleRowText(std::string_view title) {
    constexpr size_t kPrefixBytes = sizeof(kTitlePrefix) - 1;
    std::string text = kTitlePrefix;
    text += CutAtCharacter(title, kRowTextBytes - 1 - kPrefixBytes);
    return text;
}

std::string FileRowText(std::string_view base) {
    constexpr char kExtension[] = ".lem";
    std::string text(CutAtCharacter(base, kRowTextBytes - 1 - (sizeof(kExtension) - 1)));
    text += kExtension;
    return text;
}

HeaderPlaces HeaderPlacesFor(const std::string& folder, const std::string& base) {
    HeaderPlaces places;

    // The folder "HEADER\" beside folder: drop a trailing separator, take the parent.
    std::string parent = folder;
    if (lem::HasTrailingBackslash(parent.c_str())) parent.pop_back();
    std::string beside;
    if (lem::SplitPath(parent, &beside, nullptr) && lem::AppendPath(beside, "HEADER\\") &&
        lem::AppendPath(beside, base.c_str()) && beside.size() + 4 < lem::kMaxPath) {
        places.beside = beside + ".csv";
    }

    std::string local = folder;
    if (lem::AppendPath(local, base.c_str()) && local.size() + 4 < lem::kMaxPath) places.local = local + ".csv";
    return places;
}

std::vector<MapListRow> FillMapList(const std::string& folder) {
    std::vector<MapListRow> rows;
    std::string pattern = folder;
    if (!lem::AppendPath(pattern, "*.lem")) return rows;

    // One scratch reader for the whole search.
    auto scratch = std::make_unique<CLemMap>();
    for (const std::string& name : platform::FindFiles(pattern)) {
        const size_t dot = name.rfind('.');
        const std::string base = dot == std::string::npos ? name : name.substr(0, dot);

        const HeaderPlaces places = HeaderPlacesFor(folder, base);
        const std::string* header = nullptr;
        if (!places.beside.empty() && platform::PathExists(places.beside)) {
            header = &places.beside;
        } else if (!places.local.empty() && platform::PathExists(places.local)) {
            header = &places.local;
        }
        if (!header) continue;
        if (const platform::Result read = CLemMap::ReadHeader(header->c_str(), *scratch, 1); !read) {
            // A header that cannot be read is told of, as at map open; a refused one is left out.
            ReportReadFailure(read);
            continue;
        }

        rows.push_back({TitleRowText(scratch->Title), FileRowText(base)});
    }
    return rows;
}

std::string ShortenWithEllipsis(std::string_view text, int width, const TextMeasurer& measurer) {
    std::string shortened;
    size_t pos = text.size();
    for (;;) {
        shortened.assign(text.substr(0, pos));
        shortened += kEllipsis;
        if (measurer.Width(shortened) <= width - 5) break;
        const size_t previous = PreviousCharacter(text, pos);
        // The first character always stays.
        if (previous == 0) break;
        pos = previous;
    }
    return shortened;
}

ColumnText LayOutColumnText(std::string_view text, int left, int width, TextAlign columnAlign,
                            const TextMeasurer& measurer) {
    ColumnText out;
    const int right = left + width;
    if (measurer.Width(text) > width - 12) {
        out.text = ShortenWithEllipsis(text, width, measurer);
        out.left = left + 6;
        out.right = right;
        out.align = TextAlign::Left;
    } else {
        out.text.assign(text);
        out.left = left + 6;
        out.right = right - 6;
        out.align = columnAlign;
    }
    return out;
}

bool ComposeChosenPath(const std::string& folder, const std::string& file, std::string& out) {
    std::string path = folder;
    if (!lem::AppendPath(path, file.c_str())) return false;
    out = std::move(path);
    return true;
}

}  // namespace ui
