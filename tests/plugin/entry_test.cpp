#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "tephrix/version.h"
#include "tests/plugin/plugin_fixture.h"

namespace plugintest {
namespace {

using Kind = hostsim::Call::Kind;
using Names = std::vector<std::string>;

// 火山標高プラグイン, written as bytes so that the check does not lean on the compiler's conversion.
const std::string kDisplayNameBytes = "\x89\xCE\x8E\x52\x95\x57\x8D\x82\x83\x76\x83\x89\x83\x4F\x83\x43\x83\x93";

class VersionGateTest : public PluginFixture, public ::testing::WithParamInterface<int32_t> {};

TEST_P(VersionGateTest, RefusesBelow7730AndKeepsThePluginIdEitherWay) {
    const int32_t version = GetParam();
    const bool accepted = version >= 7730;
    host().SetVersion(version);
    std::vector<uint8_t> record(300, 0xCC);

    EXPECT_EQ(Create(record.data(), kPluginId), accepted ? 1 : 0);
    EXPECT_EQ(plugin::State().pluginId, kPluginId);

    if (accepted) {
        EXPECT_TRUE(host().Desktop().MessageBoxes().empty());
        EXPECT_EQ(host().Registry().MapTypes().size(), 1u);
        EXPECT_EQ(host().Registry().Hooks().size(), 1u);
        return;
    }
    ASSERT_EQ(host().Desktop().MessageBoxes().size(), 1u);
    const hostsim::MessageBoxRecord& box = host().Desktop().MessageBoxes()[0];
    EXPECT_EQ(box.text, "Tephrix.olp\nOroluxのバージョンが古いためこのプラグインは使用できません.");
    EXPECT_EQ(box.style, 0x40u);  // MB_OK | MB_ICONINFORMATION
    EXPECT_EQ(HostCalls(), Names{"OLX_GetVersion"});
    EXPECT_TRUE(host().Registry().MapTypes().empty());
    EXPECT_TRUE(host().Registry().Hooks().empty());
    EXPECT_EQ(record, std::vector<uint8_t>(300, 0xCC));

    // The kept id is the one later calls use.
    EXPECT_EQ(Load(), 1);
    for (const hostsim::MenuEntry& menu : host().Registry().Menus()) EXPECT_EQ(menu.pluginId, kPluginId);
}

INSTANTIATE_TEST_SUITE_P(Versions, VersionGateTest, ::testing::Values(7729, 7730, 7731, 20000));

using CreateTest = PluginFixture;

TEST_F(CreateTest, FillsOnlyTheTextsOfTheInformationRecordAndLeavesBytesBehindEachNulAlone) {
    std::vector<uint8_t> record(300, 0xCC);  // 20 guard bytes behind the 280
    ASSERT_EQ(Create(record.data(), kPluginId), 1);

    std::vector<uint8_t> expected(300, 0xCC);
    auto put = [&](size_t offset, const std::string& bytes) {
        std::memcpy(expected.data() + offset, bytes.c_str(), bytes.size() + 1);
    };
    const uint8_t size280[] = {0x18, 0x01, 0x00, 0x00};
    std::memcpy(expected.data(), size280, 4);
    put(4, kDisplayNameBytes);
    put(84, TEPHRIX_VERSION_TEXT);
    put(114, plugin::kCopyright);
    std::memset(expected.data() + 276, 0, 4);
    EXPECT_EQ(record, expected);
    EXPECT_LT(std::strlen(plugin::kCopyright), 162u);
}

TEST_F(CreateTest, RegistersTheMapTypeThenTheFileOpenHook) {
    std::vector<uint8_t> record(plugin::kInfoRecordSize, 0);
    ASSERT_EQ(Create(record.data(), kPluginId), 1);
    EXPECT_EQ(HostCalls(), (Names{"OLX_GetVersion", "OLX_RegisterMap", "OLX_AddHook"}));

    ASSERT_EQ(host().Registry().MapTypes().size(), 1u);
    const hostsim::MapTypeEntry& map = host().Registry().MapTypes()[0];
    EXPECT_EQ(map.size, 16);
    EXPECT_EQ(map.proc, &LemMapProc);
    EXPECT_EQ(map.zero, 0);

    ASSERT_EQ(host().Registry().Hooks().size(), 1u);
    const hostsim::HookEntry& hook = host().Registry().Hooks()[0];
    EXPECT_EQ(hook.kind, 7);
    EXPECT_EQ(hook.size, 16);
    EXPECT_EQ(hook.owner, kPluginId);
    EXPECT_EQ(hook.proc, &plugin::FileOpenHookProc);
    EXPECT_EQ(hook.zero, 0);
}

TEST_F(CreateTest, NullRecordIsAnsweredZeroAndNothingIsRegistered) {
    EXPECT_EQ(Create(nullptr, kPluginId), 0);
    EXPECT_TRUE(host().Registry().MapTypes().empty());
    EXPECT_TRUE(host().Registry().Hooks().empty());
}

TEST_F(CreateTest, LoadAddsTheMapMenuThenThePopupWithTheCompositeEntry) {
    std::vector<uint8_t> record(plugin::kInfoRecordSize, 0);
    ASSERT_EQ(Create(record.data(), kPluginId), 1);
    host().Log().Clear();
    EXPECT_EQ(Load(), 1);
    EXPECT_EQ(HostCalls(), (Names{"OLX_AddMenu", "OLX_AddPopupMenu", "OLX_AddChildMenu"}));

    ASSERT_EQ(host().Registry().Popups().size(), 1u);
    const hostsim::PopupEntry& popup = host().Registry().Popups()[0];
    EXPECT_EQ(popup.pluginId, kPluginId);
    EXPECT_EQ(popup.parent, 10);
    EXPECT_EQ(popup.text, "火山標高プラグイン");
    EXPECT_EQ(popup.arg, 1);

    ASSERT_EQ(host().Registry().Menus().size(), 2u);
    const hostsim::MenuEntry& mapMenu = host().Registry().Menus()[0];
    EXPECT_FALSE(mapMenu.child);
    EXPECT_EQ(mapMenu.pluginId, kPluginId);
    EXPECT_EQ(mapMenu.parentOrPopup, 32);
    EXPECT_EQ(mapMenu.text, "数値地図火山標高(&V)");
    EXPECT_EQ(mapMenu.proc, &LemMapProc);

    const hostsim::MenuEntry& composite = host().Registry().Menus()[1];
    EXPECT_TRUE(composite.child);
    EXPECT_EQ(composite.pluginId, kPluginId);
    EXPECT_EQ(composite.parentOrPopup, popup.id);
    EXPECT_EQ(composite.text, "合成設定(&S)");
    EXPECT_NE(composite.proc, nullptr);
    EXPECT_NE(composite.proc, &LemMapProc);
}

TEST_F(CreateTest, BothMenuEntriesAnswerTheStateQueryWithOne) {
    StartModule();
    for (const hostsim::MenuEntry& menu : host().Registry().Menus()) {
        EXPECT_EQ(host().Registry().MenuState(menu.id), std::optional<int32_t>(1)) << menu.text;
    }
}

using AboutTest = PluginFixture;

TEST_F(AboutTest, ShowsTheBannerWithTheCopyrightAndReturnsTheBoxResult) {
    StartModule();
    host().Desktop().AnswerMessageBox(1);
    EXPECT_EQ(About(), 1);
    ASSERT_EQ(host().Desktop().MessageBoxes().size(), 1u);
    const hostsim::MessageBoxRecord& box = host().Desktop().MessageBoxes()[0];
    EXPECT_EQ(box.text, std::string("Tephrix Plugin [Ver " TEPHRIX_VERSION_TEXT "] ") + plugin::kCopyright);
    EXPECT_EQ(box.style, 0x40u);
    EXPECT_EQ(Close(), 1);
}

using CaptionTest = PluginFixture;

// Boxes that name no caption of their own carry the host application's title, taken as the
// host's framework takes it.
TEST_F(CaptionTest, BoxesWithoutCaptionCarryTheHostApplicationTitle) {
    const std::string hyo = "\x95\x5C";  // 表, whose trail byte is a backslash
    const struct {
        const char* name;
        std::map<uint32_t, std::string> strings;
        std::string executable;
        std::string caption;
    } cases[] = {
        {"string resource 57344", {{57344, "Orolux Viewer"}}, "C:\\Program Files\\Orolux\\Orolux.exe", "Orolux Viewer"},
        {"no string: the file name without extension", {}, "C:\\Program Files\\Orolux\\Orolux.exe", "Orolux"},
        {"an empty string is none", {{57344, ""}}, "C:\\A\\Host.exe", "Host"},
        {"another id is not the title", {{57345, "Other"}}, "C:\\A\\Host.exe", "Host"},
        {"a dotted folder and name: the last dot of the name", {}, "C:\\v1.2\\my.host.exe", "my.host"},
        {"no extension", {}, "C:\\v1.2\\HOST", "HOST"},
        {"a trail byte 0x5C in the folder", {}, "C:\\" + hyo + "\\Host.exe", "Host"},
        {"a trail byte 0x5C in the name", {}, "C:\\A\\" + hyo + ".exe", hyo},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        hostsim::Reset();
        plugin::ResetModuleState();
        host().Desktop().SetStringResources(c.strings);
        host().Desktop().SetExecutablePath(c.executable);
        std::vector<uint8_t> record(plugin::kInfoRecordSize, 0);
        host().SetVersion(olx::kRequiredVersion - 1);
        EXPECT_EQ(Create(record.data(), kPluginId), 0);
        host().SetVersion(olx::kRequiredVersion);
        EXPECT_EQ(Create(record.data(), kPluginId), 1);
        EXPECT_EQ(About(), 1);
        ASSERT_EQ(host().Desktop().MessageBoxes().size(), 2u);
        for (const hostsim::MessageBoxRecord& box : host().Desktop().MessageBoxes()) EXPECT_EQ(box.caption, c.caption);
    }
}

TEST_F(CaptionTest, TheTitleIsTakenOnce) {
    host().Desktop().SetStringResource(57344, "Orolux");
    StartModule();
    EXPECT_EQ(About(), 1);
    host().Desktop().SetStringResource(57344, "Renamed");
    host().Desktop().SetExecutablePath("C:\\B\\Other.exe");
    EXPECT_EQ(About(), 1);
    EXPECT_EQ(host().Desktop().StringResourceQueries(), 1);
    ASSERT_EQ(host().Desktop().MessageBoxes().size(), 2u);
    EXPECT_EQ(host().Desktop().MessageBoxes()[1].caption, "Orolux");
}

using ReleaseTest = PluginFixture;

TEST_F(ReleaseTest, EmptyTableStaysEmptyWithoutHostCalls) {
    StartModule();
    Release();
    EXPECT_TRUE(host().Log().Entries().empty());
    EXPECT_EQ(plugin::State().openMaps.Count(), 0u);
    EXPECT_FALSE(plugin::State().openMaps.HasBuckets());
}

// ---- the LEM name test and the file-open hook

struct NameCase {
    const char* label;
    std::string path;
    bool lem;
};

std::vector<NameCase> NameCases() {
    return {
        {"lower case as received", "C:\\MAPS\\fuji.lem", true},
        {"name starting with a digit", "C:\\MAPS\\1FUJI.LEM", false},
        {".LEM in a folder name", "C:\\A.LEMON\\X.TXT", true},
        {"header file", "C:\\MAPS\\FUJI.CSV", false},
        {"D drive sheet", "D:\\V\\LEM\\FUJI.LEM", true},
        {"D drive digit", "D:\\V\\LEM\\1FUJI.LEM", false},
        {"D drive header", "D:\\V\\HEADER\\FUJI.CSV", false},
        // 表 is 0x95 0x5C: its trail byte is not a separator.
        {"trail 0x5C before a digit",
         "C:\\MAPS\\\x95\x5C"
         "1.LEM",
         true},
        {"digit before the trail 0x5C", "C:\\MAPS\\1\x95\x5C.LEM", false},
        {"no backslash, colon", "C:1A.LEM", false},
        {"bare name", "fuji.LEM", true},
        {"path ending in a backslash", "C:\\X.LEM\\", true},
        {"empty", "", false},
        {"259 bytes", "C:\\" + std::string(252, 'A') + ".LEM", true},
        {"260 bytes", "C:\\" + std::string(253, 'A') + ".LEM", false},
        {"far longer", "C:\\" + std::string(1000, 'A') + ".LEM", false},
    };
}

using LemNameTest = PluginFixture;

TEST_F(LemNameTest, RecognisesTheModulesPathsAsCode2003) {
    for (const NameCase& c : NameCases()) {
        EXPECT_EQ(plugin::IsLemPath(c.path.c_str()), c.lem) << c.label;
        EXPECT_EQ(LemMapProc(olx::kMsgRecognise, 0, olx::ToParam(c.path.c_str())), c.lem ? 1 : 0) << c.label;
    }
    EXPECT_EQ(LemMapProc(olx::kMsgRecognise, 0, 0), 0);
}

using FileOpenHookTest = PluginFixture;

TEST_F(FileOpenHookTest, TakesLemPathsAndAsksTheHostToOpenThemUnchanged) {
    for (const NameCase& c : NameCases()) {
        hostsim::Reset();
        StartModule();
        host().Maps().SetActiveView(7);
        EXPECT_EQ(host().Registry().FireFileOpenHook(c.path), c.lem ? 1 : 0) << c.label;
        if (!c.lem) {
            EXPECT_TRUE(host().Maps().OpenRequests().empty()) << c.label;
            EXPECT_EQ(HostCalls(), Names{}) << c.label;
            continue;
        }
        ASSERT_EQ(host().Maps().OpenRequests().size(), 1u) << c.label;
        const hostsim::OpenRequest& request = host().Maps().OpenRequests()[0];
        EXPECT_EQ(request.view, 7u);
        EXPECT_EQ(request.size, 56);
        EXPECT_EQ(request.path, c.path) << c.label;
        EXPECT_EQ(request.flag, 0);
        EXPECT_EQ(request.zero32, 0);
        EXPECT_EQ(request.zero40, 0);
        const Names calls = HostCalls();
        ASSERT_GE(calls.size(), 2u);
        EXPECT_EQ(calls[0], "OLX_GetActiveView");
        EXPECT_EQ(calls[1], "OLX_OpenMap");
    }
}

TEST_F(FileOpenHookTest, OtherEventsAndNullPathsAreLeftAlone) {
    StartModule();
    const char* path = "C:\\MAPS\\fuji.lem";
    for (int32_t event : {1000, 1002, 0, -1}) {
        EXPECT_EQ(plugin::FileOpenHookProc(event, 0, olx::ToParam(path)), 0) << event;
    }
    EXPECT_EQ(plugin::FileOpenHookProc(1001, 0, 0), 0);
    EXPECT_TRUE(host().Log().Entries().empty());
    EXPECT_TRUE(host().Maps().OpenRequests().empty());
}

}  // namespace
}  // namespace plugintest
