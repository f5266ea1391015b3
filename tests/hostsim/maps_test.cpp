#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "hostsim/host.h"
#include "olx/host_interface.h"

using ::testing::ElementsAre;

namespace {

// A map type of the test's own: takes paths ending in ".MAP", can be told to refuse opening or
// describing, asks the host for the path of a map it was not told to open (as a map type must),
// and reuses its title buffer at the next message so that the host must copy it at once.
struct FakeMapType {
    bool refuseOpen = false;
    bool refuseDescribe = false;
    std::vector<std::string> seen;  // "code handle"
    std::string path;               // of the latest 2004, or asked for at 2011
    char title[64] = {};
    int16_t fill = 0;
};
FakeMapType fake;

int32_t OLX_CALL FakeMapProc(int32_t code, uint32_t handle, intptr_t param) {
    fake.seen.push_back(std::to_string(code) + " " + std::to_string(handle));
    std::memset(fake.title, 'x', sizeof fake.title - 1);
    switch (code) {
        case olx::kMsgFileType: {
            auto* r = olx::FromParam<tagFILETYPEINFO>(param);
            r->flag4 = 1;
            r->filterName = "Fake [*.MAP]";
            r->pattern = "*.MAP";
            return 0;
        }
        case olx::kMsgRecognise: {
            const std::string p = olx::FromParam<const char>(param);
            return p.size() >= 4 && p.compare(p.size() - 4, 4, ".MAP") == 0 ? 1 : 0;
        }
        case olx::kMsgOpen: fake.path = olx::FromParam<const char>(param); return fake.refuseOpen ? 0 : 1;
        case olx::kMsgDescribe: {
            if (fake.refuseDescribe) return 0;
            if (fake.path.empty()) fake.path = OLX_GetMapFile(handle);
            auto* info = olx::FromParam<tagMAPINFO>(param);
            info->size = 72;
            std::snprintf(fake.title, sizeof fake.title, "T %s", fake.path.c_str());
            info->title = fake.title;
            info->flag8 = 1;
            info->one12 = 1;
            info->south = 35;
            info->west = 138;
            info->north = 36;
            info->east = 139;
            info->cellsPerDegLon = info->cellsPerDegLat = 320;
            info->width = info->height = 320;
            return 1;
        }
        case olx::kMsgReadBlock: {
            auto* r = olx::FromParam<tagBLOCKREQUEST>(param);
            for (int i = 0; i < olx::kBlockCells; ++i) r->values[i] = static_cast<int16_t>(r->blockId + fake.fill);
            return 1;
        }
        case olx::kMsgClose: return 1;
        default: return 0;
    }
}

void RegisterFake() {
    tagHOOKENTRY e{16, 0, FakeMapProc, 0};
    ASSERT_NE(OLX_RegisterMap(&e), 0);
}

class MapsTest : public ::testing::Test {
protected:
    void SetUp() override {
        hostsim::Reset();
        fake = FakeMapType{};
        RegisterFake();
        host.Log().Clear();
    }
    hostsim::Host& host = hostsim::Get();
};

tagOPENMAPINFO FileRecord(const char* path) {
    tagOPENMAPINFO info{};
    info.size = 56;
    info.path = path;
    info.flag = 0;
    return info;
}

TEST_F(MapsTest, OpenOfAFileSendsRecogniseOpenDescribeAndKeepsTheMap) {
    const tagOPENMAPINFO info = FileRecord("C:\\M\\A.MAP");
    ASSERT_EQ(OLX_OpenMap(1, &info), 1);
    EXPECT_THAT(fake.seen, ElementsAre("2003 0", "2004 16", "2011 16"));
    EXPECT_THAT(host.Log().Names(), ElementsAre("OLX_OpenMap", "map 2003", "map 2004", "map 2011"));
    EXPECT_EQ(host.Log().Entries()[0].args, "1, {size=56 path=\"C:\\M\\A.MAP\" flag=0 zero32=0 zero40=0}");
    EXPECT_EQ(host.Log().Entries()[0].result, "1");
    EXPECT_EQ(host.Log().Entries()[2].args, "16, \"C:\\M\\A.MAP\"");

    const hostsim::OpenMap* m = host.Maps().FindOpenMap(16);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->path, "C:\\M\\A.MAP");
    EXPECT_EQ(m->info.size, 72);
    EXPECT_EQ(m->info.width, 320);
    EXPECT_EQ(m->title, "T C:\\M\\A.MAP");  // copied before the fake reused its buffer
    EXPECT_EQ(std::memcmp(m->info.hostBytes9, "HST", 3), 0);
    EXPECT_EQ(host.Maps().ActiveBaseMap(), 16u);

    // The next map gets the next handle; tests may choose it.
    host.Maps().SetNextHandle(288);
    fake.path.clear();
    ASSERT_EQ(host.Maps().OpenFile("C:\\M\\B.MAP"), 288u);
    EXPECT_EQ(host.Maps().NextHandle(), 304u);
    EXPECT_EQ(host.Maps().FindOpenMap(16)->title, "T C:\\M\\A.MAP");
}

TEST_F(MapsTest, OpenStopsWhereTheMapTypeSaysNo) {
    struct Case {
        const char* path;
        bool refuseOpen;
        bool refuseDescribe;
        std::vector<std::string> sent;
    };
    const Case cases[] = {
        {"C:\\M\\A.TXT", false, false, {"2003 0"}},
        {"C:\\M\\A.MAP", true, false, {"2003 0", "2004 16"}},
        // A map that cannot be described is given up again.
        {"C:\\M\\A.MAP", false, true, {"2003 0", "2004 16", "2011 16", "2021 16"}},
    };
    for (const Case& c : cases) {
        hostsim::Reset();
        fake = FakeMapType{};
        RegisterFake();
        fake.refuseOpen = c.refuseOpen;
        fake.refuseDescribe = c.refuseDescribe;
        const tagOPENMAPINFO info = FileRecord(c.path);
        EXPECT_EQ(OLX_OpenMap(1, &info), 0) << c.path;
        EXPECT_EQ(fake.seen, c.sent);
        EXPECT_TRUE(host.Maps().OpenMaps().empty());
        EXPECT_EQ(host.Maps().ActiveBaseMap(), 0u);
    }
}

TEST_F(MapsTest, ReopenAtViewClosesTheMapOfThatPathAndOpensItAgain) {
    ASSERT_EQ(host.Maps().OpenFile("C:\\M\\A.MAP"), 16u);
    ASSERT_EQ(host.Maps().OpenFile("C:\\M\\B.MAP"), 32u);
    fake.seen.clear();
    host.Log().Clear();

    tagOPENMAPINFO info = FileRecord("C:\\M\\A.MAP");
    info.flag = 1;
    info.center = {35.25, 138.75};
    info.matIndex = 4;
    ASSERT_EQ(OLX_OpenMap(2, &info), 1);
    EXPECT_THAT(fake.seen, ElementsAre("2021 16", "2003 0", "2004 48", "2011 48"));
    EXPECT_EQ(host.Log().Entries()[0].args,
              "2, {size=56 path=\"C:\\M\\A.MAP\" flag=1 center=(35.25, 138.75) mat=4 zero32=0 zero40=0}");
    EXPECT_EQ(host.Maps().FindOpenMap(16), nullptr);
    EXPECT_NE(host.Maps().FindOpenMap(32), nullptr);
    EXPECT_NE(host.Maps().FindOpenMap(48), nullptr);

    ASSERT_EQ(host.Maps().OpenRequests().size(), 1u);
    const hostsim::OpenRequest& r = host.Maps().OpenRequests()[0];
    EXPECT_EQ(r.view, 2u);
    EXPECT_EQ(r.flag, 1);
    EXPECT_EQ(r.matIndex, 4);
    EXPECT_EQ(r.center.lat, 35.25);
    tagGEOPOS centre{};
    ASSERT_EQ(OLX_GetViewCenter(2, &centre), 1);
    EXPECT_EQ(centre.lon, 138.75);
}

TEST_F(MapsTest, ReopenOfAPathThatIsNotOpenJustOpensIt) {
    tagOPENMAPINFO info = FileRecord("C:\\M\\C.MAP");
    info.flag = 1;
    ASSERT_EQ(OLX_OpenMap(1, &info), 1);
    EXPECT_THAT(fake.seen, ElementsAre("2003 0", "2004 16", "2011 16"));
}

TEST_F(MapsTest, BadOpenRecordsAnswerZeroWithoutMessages) {
    EXPECT_EQ(OLX_OpenMap(1, nullptr), 0);
    tagOPENMAPINFO info = FileRecord(nullptr);
    EXPECT_EQ(OLX_OpenMap(1, &info), 0);
    info = FileRecord("C:\\M\\A.MAP");
    info.flag = 2;
    EXPECT_EQ(OLX_OpenMap(1, &info), 0);
    EXPECT_TRUE(fake.seen.empty());
    EXPECT_EQ(host.Log().Entries()[0].args, "1, null");
}

TEST_F(MapsTest, ReadBlockAndCloseReachTheMapType) {
    ASSERT_EQ(host.Maps().OpenFile("C:\\M\\A.MAP"), 16u);
    std::vector<int16_t> block(olx::kBlockCells, -1);
    fake.fill = 5;
    EXPECT_EQ(host.Maps().ReadBlock(16, 10100, block.data()), 1);
    EXPECT_EQ(block[0], 10105);
    EXPECT_EQ(block[olx::kBlockCells - 1], 10105);
    EXPECT_EQ(host.Log().Entries().back().args, "16, {blockId=10100}");

    // A handle the host does not know still reaches the map type: the module must say no.
    EXPECT_EQ(host.Maps().ReadBlock(999, 100, block.data()), 1);
    EXPECT_EQ(fake.seen.back(), "2012 999");

    const hostsim::OpenMap* kept = host.Maps().FindOpenMap(16);
    EXPECT_EQ(host.Maps().CloseMap(16), 1);
    EXPECT_EQ(fake.seen.back(), "2021 16");
    EXPECT_TRUE(host.Maps().OpenMaps().empty());
    EXPECT_EQ(host.Maps().FindOpenMap(16), nullptr);
    // A record looked up while the map was open stays readable after the close.
    EXPECT_FALSE(kept->open);
    EXPECT_EQ(kept->title, "T C:\\M\\A.MAP");
}

TEST_F(MapsTest, DescribeWithoutOpenLetsTheMapTypeAskForThePath) {
    host.Maps().SetMapFile(64, "D:\\V\\X.MAP");
    EXPECT_EQ(host.Maps().Describe(64), 1);
    EXPECT_THAT(fake.seen, ElementsAre("2011 64"));
    EXPECT_EQ(fake.path, "D:\\V\\X.MAP");
    EXPECT_THAT(host.Log().Names(), ElementsAre("map 2011", "OLX_GetMapFile"));
    EXPECT_EQ(host.Log().Entries()[1].result, "\"D:\\V\\X.MAP\"");
    ASSERT_NE(host.Maps().FindOpenMap(64), nullptr);
    EXPECT_EQ(host.Maps().FindOpenMap(64)->title, "T D:\\V\\X.MAP");
    // Unknown maps have the empty path.
    EXPECT_STREQ(OLX_GetMapFile(65), "");
}

TEST_F(MapsTest, FileTypeRequestKeepsTheTextsAndShowsUnwrittenBytes) {
    const hostsim::FileTypeAnswer a = host.Maps().RequestFileType();
    EXPECT_EQ(a.result, 0);
    EXPECT_EQ(a.record.flag4, 1);
    EXPECT_EQ(a.record.flag5, 0xEE);  // the fake leaves it
    EXPECT_EQ(a.filterName, "Fake [*.MAP]");
    EXPECT_EQ(a.pattern, "*.MAP");
    EXPECT_EQ(a.record.reserved0, static_cast<int32_t>(0xEEEEEEEE));
}

TEST_F(MapsTest, WithoutMapTypeNothingOpens) {
    hostsim::Reset();
    EXPECT_EQ(host.Maps().OpenFile("C:\\M\\A.MAP"), 0u);
    EXPECT_EQ(host.Maps().ReadBlock(16, 100, nullptr), -1);
    EXPECT_EQ(host.Maps().CloseMap(16), -1);
    EXPECT_EQ(host.Maps().Describe(16), -1);
    EXPECT_EQ(host.Maps().RequestFileType().result, -1);
}

// ---- views, menus and hooks

std::vector<std::string> menuSeen;
int32_t OLX_CALL MenuProc(int32_t code, uint32_t, intptr_t param) {
    menuSeen.push_back(std::to_string(code));
    if (code == olx::kMenuState) *olx::FromParam<int32_t>(param) = 1;
    if (code == olx::kMenuCommand) {
        // A command that opens a map from inside the menu call, as the module's do.
        tagOPENMAPINFO info = FileRecord("C:\\M\\N.MAP");
        (void)OLX_OpenMap(OLX_GetActiveView(), &info);
    }
    return 0;
}

int32_t OLX_CALL DecliningHook(int32_t event, uint32_t, intptr_t) {
    menuSeen.push_back("decline " + std::to_string(event));
    return 0;
}

int32_t OLX_CALL TakingHook(int32_t event, uint32_t, intptr_t param) {
    menuSeen.push_back("take " + std::to_string(event) + " " + olx::FromParam<const char>(param));
    return 1;
}

TEST_F(MapsTest, MenusAreRegisteredAndFiredWithNestedOpens) {
    menuSeen.clear();
    const int32_t entry = OLX_AddMenu(5, 32, "Open(&V)", MenuProc);
    const int32_t popup = OLX_AddPopupMenu(5, 10, "Plugin", 1);
    const int32_t child = OLX_AddChildMenu(5, popup, "Settings(&S)", MenuProc);
    EXPECT_EQ(OLX_AddChildMenu(5, popup + 100, "Lost", MenuProc), 0);  // no such popup
    ASSERT_NE(entry, 0);
    ASSERT_NE(child, 0);
    EXPECT_NE(entry, child);
    EXPECT_EQ(host.Registry().FindMenu("Settings(&S)"), child);
    EXPECT_EQ(host.Registry().FindMenu("Nothing"), 0);
    EXPECT_EQ(host.Registry().Menus()[1].parentOrPopup, popup);
    EXPECT_TRUE(host.Registry().Menus()[1].child);
    EXPECT_EQ(host.Registry().Popups()[0].arg, 1);
    // One procedure, one name in the log.
    EXPECT_EQ(host.Log().Calls("OLX_AddMenu")[0].args, "5, 32, \"Open(&V)\", proc#2");
    EXPECT_EQ(host.Log().Calls("OLX_AddChildMenu")[0].args, "5, 501, \"Settings(&S)\", proc#2");

    EXPECT_EQ(host.Registry().MenuState(child), 1);
    EXPECT_EQ(host.Registry().MenuState(12345), std::nullopt);
    host.Log().Clear();
    EXPECT_EQ(host.Registry().FireMenu(entry, olx::kMenuCommand), 0);
    EXPECT_THAT(host.Log().Names(),
                ElementsAre("menu 100", "OLX_GetActiveView", "OLX_OpenMap", "map 2003", "map 2004", "map 2011"));
    EXPECT_EQ(host.Log().Entries()[0].result, "0");
    EXPECT_EQ(host.Log().Entries()[2].result, "1");
}

TEST_F(MapsTest, FileOpenHookIsOfferedToHooksOfKindSevenUntilOneTakesIt) {
    menuSeen.clear();
    tagHOOKENTRY decline{16, 5, DecliningHook, 0};
    tagHOOKENTRY take{16, 5, TakingHook, 0};
    tagHOOKENTRY otherKind{16, 5, TakingHook, 0};
    ASSERT_NE(OLX_AddHook(7, &decline), 0);
    ASSERT_NE(OLX_AddHook(3, &otherKind), 0);
    ASSERT_NE(OLX_AddHook(7, &take), 0);
    EXPECT_EQ(OLX_AddHook(7, nullptr), 0);
    EXPECT_EQ(host.Registry().Hooks().size(), 3u);
    EXPECT_EQ(host.Log().Calls("OLX_AddHook")[0].args, "7, {size=16 owner=5 proc#2 zero=0}");

    EXPECT_EQ(host.Registry().FireFileOpenHook("C:\\MAPS\\fuji.lem"), 1);
    EXPECT_THAT(menuSeen, ElementsAre("decline 1001", "take 1001 C:\\MAPS\\fuji.lem"));
    const auto hooks = host.Log().Calls("hook 1001");
    ASSERT_EQ(hooks.size(), 2u);
    EXPECT_EQ(hooks[1].args, "\"C:\\MAPS\\fuji.lem\"");
    EXPECT_EQ(hooks[1].result, "1");
}

TEST_F(MapsTest, ViewAndMapQueriesAnswerWhatTheTestSet) {
    host.Maps().SetActiveView(3);
    host.Maps().SetActiveBaseMap(16);
    host.Maps().SetActiveCoverMap(32);
    host.Maps().SetMapgroupFile(16, "C:\\G\\base.grp");
    host.Maps().SetMatIndex(32, 7);
    host.Maps().SetViewCenter(3, 35.5, 138.5);
    int marker = 0;
    host.Desktop().SetMainWindow(&marker);
    EXPECT_EQ(OLX_GetMainWnd(), &marker);
    EXPECT_EQ(OLX_GetActiveView(), 3u);
    EXPECT_STREQ(OLX_GetMapgroupFile(OLX_GetActiveBaseMap()), "C:\\G\\base.grp");
    EXPECT_EQ(OLX_GetMatIndex(OLX_GetActiveCoverMap()), 7);
    EXPECT_EQ(OLX_GetMatIndex(99), 0);
    tagGEOPOS c{};
    EXPECT_EQ(OLX_GetViewCenter(3, &c), 1);
    EXPECT_EQ(c.lat, 35.5);
    EXPECT_EQ(OLX_GetViewCenter(4, &c), 0);
    EXPECT_EQ(OLX_GetViewCenter(3, nullptr), 0);
    EXPECT_EQ(OLX_ClearAllViewCache(), 1);
    EXPECT_EQ(OLX_ClearAllViewCache(), 1);
    EXPECT_EQ(host.Maps().ViewCacheClears(), 2);
    EXPECT_EQ(host.Log().Count("OLX_ClearAllViewCache"), 2);
    EXPECT_EQ(host.Log().Calls("OLX_GetViewCenter")[0].result, "1 (35.5, 138.5)");
}

TEST_F(MapsTest, VersionIsSettableAndResetRestoresIt) {
    EXPECT_EQ(OLX_GetVersion(), 7730);
    host.SetVersion(7729);
    EXPECT_EQ(OLX_GetVersion(), 7729);
    hostsim::Reset();
    EXPECT_EQ(OLX_GetVersion(), 7730);
    EXPECT_THAT(host.Log().Names(), ElementsAre("OLX_GetVersion"));
    EXPECT_TRUE(host.Registry().MapTypes().empty());
}

}  // namespace
