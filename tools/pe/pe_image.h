// A small bounds-checked reader of PE images (32- and 64-bit): headers, sections, exports,
// imports and the version resource. Used by the requirement-marker tool and by the product
// check, which must not trust the build scripts. Header-only so the marker tool builds alone.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pe {

struct Section {
    std::string name;
    uint32_t virtualAddress = 0;
    uint32_t virtualSize = 0;
    uint32_t rawOffset = 0;
    uint32_t rawSize = 0;
};

struct Export {
    std::string name;
    uint32_t ordinal = 0;
};

struct Import {
    std::string dll;
    std::vector<std::string> functions;  // by name; "#N" for an ordinal import
};

class Image {
public:
    explicit Image(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) { ok_ = Parse(); }

    [[nodiscard]] bool Ok() const { return ok_; }
    [[nodiscard]] const std::string& Error() const { return error_; }
    [[nodiscard]] const std::vector<uint8_t>& Bytes() const { return bytes_; }
    [[nodiscard]] bool Is64() const { return is64_; }
    [[nodiscard]] uint16_t Machine() const { return machine_; }
    [[nodiscard]] uint16_t Characteristics() const { return characteristics_; }
    [[nodiscard]] const std::vector<Section>& Sections() const { return sections_; }
    // File offset just behind the section table.
    [[nodiscard]] uint32_t SectionTableEnd() const { return sectionTableEnd_; }
    [[nodiscard]] uint32_t SizeOfHeaders() const { return sizeOfHeaders_; }
    // File offset of the NT headers (e_lfanew) and the stored header checksum.
    [[nodiscard]] uint32_t NtHeadersOffset() const { return ntOffset_; }
    [[nodiscard]] uint32_t CheckSum() const { return checkSum_; }
    // The smallest file offset of any section's raw data (0 when no section has data).
    [[nodiscard]] uint32_t FirstSectionOffset() const {
        uint32_t first = 0;
        for (const auto& s : sections_) {
            if (s.rawSize != 0 && (first == 0 || s.rawOffset < first)) first = s.rawOffset;
        }
        return first;
    }

    // Exported names with their ordinals, and the module name of the export directory.
    [[nodiscard]] std::optional<std::pair<std::string, std::vector<Export>>> Exports() const {
        auto dir = Directory(0);
        if (!dir) return std::nullopt;
        auto base = RvaToOffset(dir->first);
        if (!base || !Has(*base, 40)) return std::nullopt;
        uint32_t nameRva = U32(*base + 12);
        uint32_t ordinalBase = U32(*base + 16);
        uint32_t nameCount = U32(*base + 24);
        uint32_t namesRva = U32(*base + 32);
        uint32_t ordinalsRva = U32(*base + 36);
        std::vector<Export> exports;
        auto names = RvaToOffset(namesRva);
        auto ordinals = RvaToOffset(ordinalsRva);
        if (nameCount > 0 && (!names || !ordinals)) return std::nullopt;
        for (uint32_t i = 0; i < nameCount; ++i) {
            if (!Has(*names + 4 * i, 4) || !Has(*ordinals + 2 * i, 2)) return std::nullopt;
            auto n = StringAtRva(U32(*names + 4 * i));
            if (!n) return std::nullopt;
            exports.push_back({*n, ordinalBase + U16(*ordinals + 2 * i)});
        }
        auto dllName = StringAtRva(nameRva);
        return std::make_pair(dllName.value_or(""), exports);
    }

    [[nodiscard]] std::optional<std::vector<Import>> Imports() const {
        std::vector<Import> imports;
        auto dir = Directory(1);
        if (!dir) return imports;
        auto at = RvaToOffset(dir->first);
        if (!at) return std::nullopt;
        for (uint32_t d = *at;; d += 20) {
            if (!Has(d, 20)) return std::nullopt;
            uint32_t lookupRva = U32(d);
            uint32_t nameRva = U32(d + 12);
            uint32_t iatRva = U32(d + 16);
            if (lookupRva == 0 && nameRva == 0 && iatRva == 0) break;
            Import imp;
            auto name = StringAtRva(nameRva);
            if (!name) return std::nullopt;
            imp.dll = *name;
            auto thunks = RvaToOffset(lookupRva ? lookupRva : iatRva);
            if (!thunks) return std::nullopt;
            const uint32_t width = is64_ ? 8 : 4;
            for (uint32_t t = *thunks;; t += width) {
                if (!Has(t, width)) return std::nullopt;
                uint64_t v = is64_ ? U64(t) : U32(t);
                if (v == 0) break;
                const uint64_t ordinalFlag = is64_ ? (1ull << 63) : (1ull << 31);
                if (v & ordinalFlag) {
                    imp.functions.push_back("#" + std::to_string(v & 0xFFFF));
                } else {
                    auto hint = RvaToOffset(static_cast<uint32_t>(v));
                    if (!hint) return std::nullopt;
                    auto fn = CString(*hint + 2);
                    if (!fn) return std::nullopt;
                    imp.functions.push_back(*fn);
                }
            }
            imports.push_back(std::move(imp));
        }
        return imports;
    }

    // Raw bytes of the first resource of a type (e.g. 16 = RT_VERSION), with its language id.
    [[nodiscard]] std::optional<std::pair<std::vector<uint8_t>, uint32_t>> FirstResource(uint32_t type) const {
        auto dir = Directory(2);
        if (!dir) return std::nullopt;
        auto root = RvaToOffset(dir->first);
        if (!root) return std::nullopt;
        auto typeDir = FindEntry(*root, *root, type);
        if (!typeDir || !(typeDir->second & 0x80000000u)) return std::nullopt;
        uint32_t nameDir = *root + (typeDir->second & 0x7FFFFFFFu);
        auto nameEntry = FirstEntry(nameDir);
        if (!nameEntry || !(nameEntry->second & 0x80000000u)) return std::nullopt;
        uint32_t langDir = *root + (nameEntry->second & 0x7FFFFFFFu);
        auto langEntry = FirstEntry(langDir);
        if (!langEntry || (langEntry->second & 0x80000000u)) return std::nullopt;
        uint32_t dataEntry = *root + langEntry->second;
        if (!Has(dataEntry, 16)) return std::nullopt;
        auto data = RvaToOffset(U32(dataEntry));
        uint32_t size = U32(dataEntry + 4);
        if (!data || !Has(*data, size)) return std::nullopt;
        return std::make_pair(std::vector<uint8_t>(bytes_.begin() + *data, bytes_.begin() + *data + size),
                              langEntry->first);
    }

    [[nodiscard]] std::optional<uint32_t> RvaToOffset(uint32_t rva) const {
        for (const auto& s : sections_) {
            uint32_t span = std::max(s.virtualSize, s.rawSize);
            if (rva >= s.virtualAddress && rva - s.virtualAddress < span) {
                uint32_t delta = rva - s.virtualAddress;
                if (delta >= s.rawSize) return std::nullopt;
                return s.rawOffset + delta;
            }
        }
        if (rva < sizeOfHeaders_) return rva;
        return std::nullopt;
    }

    [[nodiscard]] bool Has(uint64_t offset, uint64_t size) const {
        return offset <= bytes_.size() && size <= bytes_.size() - offset;
    }
    [[nodiscard]] uint16_t U16(uint32_t o) const { return static_cast<uint16_t>(bytes_[o] | bytes_[o + 1] << 8); }
    [[nodiscard]] uint32_t U32(uint32_t o) const {
        return static_cast<uint32_t>(bytes_[o]) | static_cast<uint32_t>(bytes_[o + 1]) << 8 |
               static_cast<uint32_t>(bytes_[o + 2]) << 16 | static_cast<uint32_t>(bytes_[o + 3]) << 24;
    }
    [[nodiscard]] uint64_t U64(uint32_t o) const { return U32(o) | static_cast<uint64_t>(U32(o + 4)) << 32; }

private:
    bool Fail(const char* why) {
        error_ = why;
        return false;
    }

    bool Parse() {
        if (!Has(0, 64) || bytes_[0] != 'M' || bytes_[1] != 'Z') return Fail("no MZ header");
        uint32_t nt = U32(0x3C);
        if (!Has(nt, 24) || std::memcmp(&bytes_[nt], "PE\0\0", 4) != 0) return Fail("no PE signature");
        machine_ = U16(nt + 4);
        uint16_t sectionCount = U16(nt + 6);
        uint16_t optionalSize = U16(nt + 20);
        characteristics_ = U16(nt + 22);
        uint32_t opt = nt + 24;
        if (!Has(opt, optionalSize) || optionalSize < 2) return Fail("truncated optional header");
        uint16_t magic = U16(opt);
        if (magic != 0x10B && magic != 0x20B) return Fail("unknown optional header");
        is64_ = magic == 0x20B;
        if (optionalSize < (is64_ ? 112u : 96u)) return Fail("short optional header");
        sizeOfHeaders_ = U32(opt + 60);
        checkSum_ = U32(opt + 64);
        ntOffset_ = nt;
        uint32_t dirCountAt = opt + (is64_ ? 108 : 92);
        uint32_t dirCount = U32(dirCountAt);
        dirs_.clear();
        for (uint32_t i = 0; i < dirCount && i < 16; ++i) {
            uint32_t d = dirCountAt + 4 + 8 * i;
            if (d + 8 > opt + optionalSize) break;
            dirs_.emplace_back(U32(d), U32(d + 4));
        }
        uint32_t table = opt + optionalSize;
        if (!Has(table, 40ull * sectionCount)) return Fail("truncated section table");
        for (uint16_t i = 0; i < sectionCount; ++i) {
            uint32_t s = table + 40 * i;
            Section sec;
            sec.name.assign(reinterpret_cast<const char*>(&bytes_[s]),
                            strnlen(reinterpret_cast<const char*>(&bytes_[s]), 8));
            sec.virtualSize = U32(s + 8);
            sec.virtualAddress = U32(s + 12);
            sec.rawSize = U32(s + 16);
            sec.rawOffset = U32(s + 20);
            sections_.push_back(sec);
        }
        sectionTableEnd_ = table + 40 * sectionCount;
        return true;
    }

    [[nodiscard]] std::optional<std::pair<uint32_t, uint32_t>> Directory(size_t i) const {
        if (i >= dirs_.size() || dirs_[i].first == 0 || dirs_[i].second == 0) return std::nullopt;
        return dirs_[i];
    }

    [[nodiscard]] std::optional<std::string> CString(uint32_t offset) const {
        std::string s;
        for (uint32_t o = offset; o < bytes_.size(); ++o) {
            if (bytes_[o] == 0) return s;
            s += static_cast<char>(bytes_[o]);
        }
        return std::nullopt;
    }
    [[nodiscard]] std::optional<std::string> StringAtRva(uint32_t rva) const {
        auto o = RvaToOffset(rva);
        if (!o) return std::nullopt;
        return CString(*o);
    }

    // Resource directory entries: (id, offset-or-subdir).
    [[nodiscard]] std::optional<std::pair<uint32_t, uint32_t>> FindEntry(uint32_t root, uint32_t dir,
                                                                         uint32_t id) const {
        (void)root;
        if (!Has(dir, 16)) return std::nullopt;
        uint32_t count = static_cast<uint32_t>(U16(dir + 12)) + U16(dir + 14);
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t e = dir + 16 + 8 * i;
            if (!Has(e, 8)) return std::nullopt;
            if (U32(e) == id) return std::make_pair(U32(e), U32(e + 4));
        }
        return std::nullopt;
    }
    [[nodiscard]] std::optional<std::pair<uint32_t, uint32_t>> FirstEntry(uint32_t dir) const {
        if (!Has(dir, 24)) return std::nullopt;
        uint32_t count = static_cast<uint32_t>(U16(dir + 12)) + U16(dir + 14);
        if (count == 0) return std::nullopt;
        return std::make_pair(U32(dir + 16), U32(dir + 20));
    }

    std::vector<uint8_t> bytes_;
    bool ok_ = false;
    std::string error_;
    bool is64_ = false;
    uint16_t machine_ = 0;
    uint16_t characteristics_ = 0;
    uint32_t sizeOfHeaders_ = 0;
    uint32_t checkSum_ = 0;
    uint32_t ntOffset_ = 0;
    uint32_t sectionTableEnd_ = 0;
    std::vector<std::pair<uint32_t, uint32_t>> dirs_;
    std::vector<Section> sections_;
};

// The string table of a VS_VERSIONINFO resource: block name (e.g. "041104b0") and its
// key/value pairs as UTF-16 code units, plus the fixed file info fields that matter.
struct VersionInfo {
    std::string tableName;
    std::map<std::u16string, std::u16string> strings;
    uint32_t fileVersionMS = 0, fileVersionLS = 0, productVersionMS = 0, productVersionLS = 0;
    uint32_t fileFlags = 0, fileType = 0;
    std::vector<uint32_t> translations;  // (language | codepage << 16)
};

namespace detail {
inline uint16_t R16(const std::vector<uint8_t>& b, size_t o) {
    return static_cast<uint16_t>(b[o] | b[o + 1] << 8);
}
inline uint32_t R32(const std::vector<uint8_t>& b, size_t o) {
    return R16(b, o) | static_cast<uint32_t>(R16(b, o + 2)) << 16;
}
inline size_t Align4(size_t v) {
    return (v + 3) & ~size_t{3};
}
// Reads the header of one version block at o: length, value length, type, key; returns the
// offset of its value (aligned) or 0 on damage.
inline size_t Block(const std::vector<uint8_t>& b, size_t o, size_t end, uint16_t& length, uint16_t& valueLength,
                    std::u16string& key) {
    if (o + 6 > end) return 0;
    length = R16(b, o);
    valueLength = R16(b, o + 2);
    if (length < 6 || o + length > end) return 0;
    size_t k = o + 6;
    key.clear();
    while (k + 1 < o + length && R16(b, k) != 0) {
        key += static_cast<char16_t>(R16(b, k));
        k += 2;
    }
    return Align4(k + 2);
}
}  // namespace detail

inline std::optional<VersionInfo> ParseVersionInfo(const std::vector<uint8_t>& b) {
    using namespace detail;
    VersionInfo info;
    uint16_t length = 0, valueLength = 0;
    std::u16string key;
    size_t value = Block(b, 0, b.size(), length, valueLength, key);
    if (!value || key != u"VS_VERSION_INFO") return std::nullopt;
    size_t rootEnd = length;
    if (valueLength >= 52 && value + 52 <= rootEnd && R32(b, value) == 0xFEEF04BDu) {
        info.fileVersionMS = R32(b, value + 8);
        info.fileVersionLS = R32(b, value + 12);
        info.productVersionMS = R32(b, value + 16);
        info.productVersionLS = R32(b, value + 20);
        info.fileFlags = R32(b, value + 28) & R32(b, value + 24);
        info.fileType = R32(b, value + 36);
    }
    for (size_t child = Align4(value + valueLength); child + 6 <= rootEnd;) {
        uint16_t cl = 0, cv = 0;
        std::u16string ck;
        size_t cvalue = Block(b, child, rootEnd, cl, cv, ck);
        if (!cvalue) return std::nullopt;
        size_t childEnd = child + cl;
        if (ck == u"StringFileInfo") {
            for (size_t table = cvalue; table + 6 <= childEnd;) {
                uint16_t tl = 0, tv = 0;
                std::u16string tk;
                size_t tvalue = Block(b, table, childEnd, tl, tv, tk);
                if (!tvalue) return std::nullopt;
                info.tableName.assign(tk.begin(), tk.end());
                size_t tableEnd = table + tl;
                for (size_t s = tvalue; s + 6 <= tableEnd;) {
                    uint16_t sl = 0, sv = 0;
                    std::u16string sk;
                    size_t svalue = Block(b, s, tableEnd, sl, sv, sk);
                    if (!svalue) return std::nullopt;
                    std::u16string text;
                    for (size_t p = svalue; p + 1 < s + sl && R16(b, p) != 0; p += 2)
                        text += static_cast<char16_t>(R16(b, p));
                    info.strings[sk] = text;
                    s = Align4(s + sl);
                }
                table = Align4(tableEnd);
            }
        } else if (ck == u"VarFileInfo") {
            uint16_t vl = 0, vv = 0;
            std::u16string vk;
            size_t vvalue = Block(b, cvalue, childEnd, vl, vv, vk);
            if (vvalue && vk == u"Translation") {
                for (size_t p = vvalue; p + 4 <= vvalue + vv && p + 4 <= childEnd; p += 4)
                    info.translations.push_back(R32(b, p));
            }
        }
        child = Align4(childEnd);
    }
    return info;
}

}  // namespace pe
