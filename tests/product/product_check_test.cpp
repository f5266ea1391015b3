// Reads the built product Tephrix.olp and checks, from its bytes, what a host relies on:
// exports, imports, the header layout with the requirement marker, and the version resource.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "olx/host_functions.h"
#include "plugin/entry.h"
#include "tephrix/version.h"
#include "tools/pe/pe_image.h"

namespace {

pe::Image LoadImage(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
    return pe::Image(std::move(bytes));
}

pe::Image LoadProduct() {
    return LoadImage(TEPHRIX_PRODUCT_DLL);
}

std::multiset<std::string> HostFunctionTable() {
#define OLX_HOST_FUNCTION_NAME(name, stackBytes, result, params) #name,
    return {OLX_HOST_FUNCTIONS(OLX_HOST_FUNCTION_NAME)};
#undef OLX_HOST_FUNCTION_NAME
}

class ProductCheck : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(image_.Ok()) << TEPHRIX_PRODUCT_DLL << ": " << image_.Error()
                                 << " (build it with: cmake --build --preset product)";
    }
    pe::Image image_ = LoadProduct();
};

TEST_F(ProductCheck, IsA32BitDll) {
    EXPECT_FALSE(image_.Is64());
    EXPECT_EQ(image_.Machine(), 0x14C);               // i386
    EXPECT_NE(image_.Characteristics() & 0x2000, 0);  // IMAGE_FILE_DLL
}

TEST_F(ProductCheck, ExportsTheFiveEntryPointsByNameWithTheirOrdinals) {
    auto exports = image_.Exports();
    ASSERT_TRUE(exports.has_value());
    EXPECT_EQ(exports->first, "Tephrix.olp");
    std::set<std::pair<std::string, uint32_t>> got;
    for (const auto& e : exports->second) got.insert({e.name, e.ordinal});
    std::set<std::pair<std::string, uint32_t>> want{
        {"Create", 1}, {"Load", 2}, {"Close", 3}, {"Release", 4}, {"About", 5}};
    EXPECT_EQ(got, want);
}

TEST_F(ProductCheck, ImportsOnlySystemDllsAndTheHostLibrary) {
    auto imports = image_.Imports();
    ASSERT_TRUE(imports.has_value());
    const std::set<std::string> system{"KERNEL32.DLL", "USER32.DLL",   "GDI32.DLL",  "COMDLG32.DLL", "SHELL32.DLL",
                                       "OLE32.DLL",    "COMCTL32.DLL", "MSVCRT.DLL", "ADVAPI32.DLL"};
    bool sawHost = false;
    for (const auto& imp : *imports) {
        std::string upper = imp.dll;
        std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
        if (upper == "PLUGINIF.DLL") {
            sawHost = true;
            EXPECT_EQ(imp.dll, "PluginIf.dll");
            // The module calls every function of the host's table, so the imports are exactly the table.
            std::multiset<std::string> got(imp.functions.begin(), imp.functions.end());
            EXPECT_EQ(got, HostFunctionTable());
        } else {
            EXPECT_TRUE(system.count(upper)) << "imports " << imp.dll << ", which is not a system DLL";
        }
    }
    EXPECT_TRUE(sawHost);
}

// The i686 stand-in PluginIf.dll that the Wine suite loads the product against exports the same
// table, besides its own HostSim_ controls.
TEST(HostStandIn, ExportsTheHostFunctionTable) {
    pe::Image image = LoadImage(TEPHRIX_PRODUCT_HOST_DLL);
    ASSERT_TRUE(image.Ok()) << TEPHRIX_PRODUCT_HOST_DLL << ": " << image.Error()
                            << " (build it with: cmake --build --preset product)";
    auto exports = image.Exports();
    ASSERT_TRUE(exports.has_value());
    EXPECT_EQ(exports->first, "PluginIf.dll");
    std::multiset<std::string> got;
    for (const auto& e : exports->second)
        if (!e.name.starts_with("HostSim_")) got.insert(e.name);
    EXPECT_EQ(got, HostFunctionTable());
}

TEST_F(ProductCheck, CarriesTheRequirementMarkerWhereTheHostReadsIt) {
    const auto& bytes = image_.Bytes();
    // The host reads the marker at 0x2D0, directly behind a table of five sections.
    std::vector<std::string> names;
    for (const auto& s : image_.Sections()) names.push_back(s.name);
    EXPECT_EQ(names, (std::vector<std::string>{".text", ".rdata", ".data", ".rsrc", ".reloc"}));
    EXPECT_EQ(image_.SectionTableEnd(), 0x2D0u);
    ASSERT_TRUE(image_.Has(0x2D0, 0x1000 - 0x2D0));
    // Five copies of the text with its terminator, spelled out here rather than taken from the
    // marking tool; the last ends at 0x333.
    const std::string copy("&&OLX_REQUIRE_7730&", sizeof "&&OLX_REQUIRE_7730&");
    std::string five;
    for (int i = 0; i < 5; ++i) five += copy;
    ASSERT_EQ(five.size(), 0x334u - 0x2D0u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[0x2D0]), five.size()), five);
    EXPECT_EQ(image_.FirstSectionOffset(), 0x1000u);
    EXPECT_EQ(image_.SizeOfHeaders(), 0x1000u);
    for (uint32_t i = 0x334; i < 0x1000; ++i) ASSERT_EQ(bytes[i], 0) << "at 0x" << std::hex << i;
    // Between the DOS stub and the moved NT headers: nothing.
    for (uint32_t i = 0x80; i < image_.NtHeadersOffset(); ++i) ASSERT_EQ(bytes[i], 0) << "at 0x" << std::hex << i;
}

TEST_F(ProductCheck, SectionsMapTheFileWithoutOverlapAndTheChecksumMatches) {
    // The joined sections must still map every byte once: each begins where the one before
    // ends in memory, and the file data follow each other in order without overlap.
    const auto& sections = image_.Sections();
    const auto& bytes = image_.Bytes();
    for (size_t i = 0; i < sections.size(); ++i) {
        const auto& s = sections[i];
        EXPECT_LE(s.rawSize, (s.virtualSize + 0xFFFu) & ~0xFFFu) << s.name;
        EXPECT_LE(uint64_t{s.rawOffset} + s.rawSize, bytes.size()) << s.name;
        if (i == 0) continue;
        const auto& before = sections[i - 1];
        EXPECT_EQ(s.virtualAddress, before.virtualAddress + ((before.virtualSize + 0xFFFu) & ~0xFFFu)) << s.name;
        EXPECT_GE(s.rawOffset, before.rawOffset + before.rawSize) << s.name;
    }
    // The header checksum as Windows computes it: 16-bit sums with the carry folded back, the
    // CheckSum field itself counted as zero, plus the file length.
    const uint32_t field = image_.NtHeadersOffset() + 24 + 64;
    uint32_t sum = 0;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        if (i == field || i == field + 2) continue;
        sum += static_cast<uint32_t>(bytes[i] | bytes[i + 1] << 8);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    ASSERT_EQ(bytes.size() % 2, 0u);
    EXPECT_EQ(image_.CheckSum(), sum + bytes.size());
}

TEST_F(ProductCheck, CarriesTheJapaneseVersionResource) {
    auto resource = image_.FirstResource(16);  // RT_VERSION
    ASSERT_TRUE(resource.has_value());
    EXPECT_EQ(resource->second, 0x0411u);
    auto info = pe::ParseVersionInfo(resource->first);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->tableName, "041104b0");
    EXPECT_EQ(info->fileType, 2u);            // VFT_DLL
    EXPECT_EQ(info->fileFlags & 0x8u, 0x8u);  // VS_FF_PRIVATEBUILD
    // The four numbers of project(Tephrix VERSION ...), two to a word.
    const uint32_t versionMS = TEPHRIX_VERSION_MAJOR << 16 | TEPHRIX_VERSION_MINOR;
    const uint32_t versionLS = TEPHRIX_VERSION_PATCH << 16 | TEPHRIX_VERSION_TWEAK;
    EXPECT_EQ(info->fileVersionMS, versionMS);
    EXPECT_EQ(info->fileVersionLS, versionLS);
    EXPECT_EQ(info->productVersionMS, versionMS);
    EXPECT_EQ(info->productVersionLS, versionLS);
    EXPECT_EQ(info->translations, std::vector<uint32_t>{0x04B00411u});
    const std::map<std::u16string, std::u16string> want{
        {u"FileVersion", u"" TEPHRIX_FILE_VERSION_TEXT},
        {u"ProductVersion", u"" TEPHRIX_VERSION_TEXT},
        {u"InternalName", u"Tephrix"},
        {u"OriginalFilename", u"Tephrix.olp"},
        {u"ProductName", u"Orolux"},
        {u"CompanyName", u"Orolux"},
        {u"FileDescription", u"Orolux - 火山標高 プラグイン"},
        {u"PrivateBuild", u"10390"},
        {u"SpecialBuild", u""},
    };
    for (const auto& [key, value] : want) {
        auto it = info->strings.find(key);
        ASSERT_NE(it, info->strings.end()) << std::string(key.begin(), key.end());
        EXPECT_TRUE(it->second == value) << std::string(key.begin(), key.end());
    }
    for (const char16_t* key : {u"Comments", u"LegalCopyright", u"LegalTrademarks"}) {
        auto it = info->strings.find(key);
        ASSERT_NE(it, info->strings.end());
        EXPECT_FALSE(it->second.empty());
    }
    // The copyright line of the information record and the About box is the resource's.
    const std::string copyright = plugin::kCopyright;
    EXPECT_TRUE(info->strings[u"LegalCopyright"] == std::u16string(copyright.begin(), copyright.end()));
    const auto& bytes = image_.Bytes();
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), copyright.begin(), copyright.end()), bytes.end());
}

}  // namespace
