#include "plugin/composite_menu.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/resource_ids.h"
#include "tests/plugin/plugin_fixture.h"
#include "tests/plugin/sheet_fixture.h"

namespace plugintest {
namespace {

using Lines = std::vector<std::string>;

class CompositeMenuTest : public PluginFixture {
protected:
    void SetUp() override {
        StartModule();
        menu_ = host().Registry().FindMenu("合成設定(&S)");
        ASSERT_NE(menu_, 0);
        // The active base map is some map of the host's own, the view looks at Mt. Fuji.
        host().Maps().SetActiveBaseMap(5);
        host().Maps().SetMapgroupFile(5, "C:\\MAPS\\base.mpg");
        host().Maps().SetActiveCoverMap(6);
        host().Maps().SetMatIndex(6, 42);
        host().Maps().SetActiveView(3);
        host().Maps().SetViewCenter(3, 35.3625, 138.7275);
        host().Log().Clear();
    }
    int32_t Choose() { return host().Registry().FireMenu(menu_, olx::kMenuCommand); }

    static Lines ReopenLines() {
        return {"OLX_GetActiveBaseMap()", "OLX_GetMapgroupFile(5)", "OLX_GetActiveCoverMap()", "OLX_GetMatIndex(6)",
                "OLX_GetActiveView()"};
    }

    int32_t menu_ = 0;
};

TEST_F(CompositeMenuTest, OkWithoutChangeStoresOldValuesAndReopensAtTheViewCentre) {
    StoreComposite(1, 1, "C:\\DEM\\A.DCM", 0);
    host().Desktop().ScriptDialog(hostsim::PressOk());
    EXPECT_EQ(Choose(), 0);

    Lines expected = CompositeReads();
    for (const std::string& line :
         {PutInt("LinkType", 1), PutInt("LinkDCM", 1), PutString("DCMFile", "C:\\DEM\\A.DCM")})
        expected.push_back(line);
    for (const std::string& line : ReopenLines()) expected.push_back(line);
    Lines lines = HostCallLines();
    // The view centre's rendering is the stand-in's; its name and position in the order matter.
    ASSERT_EQ(lines.size(), expected.size() + 5);
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + static_cast<long>(expected.size())), expected);
    EXPECT_EQ(lines[expected.size()].rfind("OLX_GetViewCenter(3", 0), 0u) << lines[expected.size()];
    EXPECT_EQ(lines[expected.size() + 1], PutInt("DCMView", 1));
    EXPECT_EQ(lines[expected.size() + 2], "OLX_GetActiveView()");
    EXPECT_EQ(lines[expected.size() + 3].rfind("OLX_OpenMap(", 0), 0u) << lines[expected.size() + 3];
    EXPECT_EQ(lines[expected.size() + 4], PutInt("DCMView", 0));
    EXPECT_EQ(host().Maps().ViewCacheClears(), 0);

    ASSERT_EQ(host().Maps().OpenRequests().size(), 1u);
    const hostsim::OpenRequest& reopen = host().Maps().OpenRequests()[0];
    EXPECT_EQ(reopen.view, 3u);
    EXPECT_EQ(reopen.size, 56);
    EXPECT_EQ(reopen.path, std::optional<std::string>("C:\\MAPS\\base.mpg"));
    EXPECT_EQ(reopen.flag, 1);
    EXPECT_EQ(reopen.center.lat, 35.3625);
    EXPECT_EQ(reopen.center.lon, 138.7275);
    EXPECT_EQ(reopen.zero32, 0);
    EXPECT_EQ(reopen.zero40, 0);
    EXPECT_EQ(reopen.matIndex, 42);
}

TEST_F(CompositeMenuTest, CancelReadsAndDoesNothingElse) {
    StoreComposite(0, 1, "C:\\DEM\\A.DCM", 0);
    host().Desktop().ScriptDialog(hostsim::ClickThenCancel({IDC_LINK_DCM, IDC_DCM_RADIO}));
    EXPECT_EQ(Choose(), 0);
    EXPECT_EQ(HostCallLines(), CompositeReads());
    EXPECT_TRUE(host().Maps().OpenRequests().empty());
    EXPECT_EQ(host().Maps().ViewCacheClears(), 0);
    EXPECT_EQ(host().Profiles().Get(kPluginId, "LinkDCM"), std::optional<std::string>("1"));
}

TEST_F(CompositeMenuTest, ChangesClearTheViewsOnceBeforeTheWrites) {
    struct Case {
        const char* label;
        hostsim::DialogScript script;
        int clears;
    };
    std::vector<Case> cases;
    cases.push_back({"composite off", hostsim::ClickThenOk({IDC_LINK_DCM}), 1});
    cases.push_back({"other source", hostsim::ClickThenOk({IDC_GUIDEBOOK_RADIO}), 1});
    cases.push_back({"two changes", hostsim::ClickThenOk({IDC_LINK_DCM, IDC_GUIDEBOOK_RADIO}), 1});
    cases.push_back({"hide check only", hostsim::ClickThenOk({IDC_HIDE_CHECK}), 0});
    for (Case& c : cases) {
        StoreComposite(1, 1, "C:\\DEM\\A.DCM", 0);
        host().Desktop().ScriptDialog(c.script);
        const int before = host().Maps().ViewCacheClears();
        EXPECT_EQ(Choose(), 0) << c.label;
        EXPECT_EQ(host().Maps().ViewCacheClears() - before, c.clears) << c.label;
        const Lines lines = HostCallLines();
        ASSERT_GT(lines.size(), 5u);
        if (c.clears) {
            EXPECT_EQ(lines[4], "OLX_ClearAllViewCache()") << c.label;
        }
        const std::string firstWrite = "OLX_WriteProfileInt(" + std::to_string(kPluginId) + ", \"LinkType\"";
        EXPECT_EQ(lines[4 + c.clears].rfind(firstWrite, 0), 0u) << c.label << ": " << lines[4 + c.clears];
    }
}

TEST_F(CompositeMenuTest, PathInOtherCaseIsStoredAsTyped) {
    StoreComposite(1, 1, "C:\\DEM\\A.DCM", 0);
    host().Desktop().ScriptDialog([](hostsim::DialogUser& user) {
        user.Init();
        user.Type(IDC_DCM_FILE, "c:\\dem\\a.dcm");
        return user.Ok();
    });
    EXPECT_EQ(Choose(), 0);
    EXPECT_EQ(host().Maps().ViewCacheClears(), 0);
    EXPECT_EQ(host().Profiles().Get(kPluginId, "DCMFile"), std::optional<std::string>("c:\\dem\\a.dcm"));
}

TEST_F(CompositeMenuTest, HideCheckIsStoredAfterTheReopen) {
    StoreComposite(1, 1, "C:\\DEM\\A.DCM", 0);
    host().Desktop().ScriptDialog(hostsim::ClickThenOk({IDC_HIDE_CHECK}));
    EXPECT_EQ(Choose(), 0);
    const std::vector<hostsim::Call> writes = host().Log().Calls("OLX_WriteProfileInt");
    ASSERT_EQ(writes.size(), 4u);
    EXPECT_NE(writes[2].args.find("\"DCMView\", 1"), std::string::npos);
    EXPECT_NE(writes[3].args.find("\"DCMView\", 1"), std::string::npos);
    EXPECT_EQ(host().Profiles().Get(kPluginId, "DCMView"), std::optional<std::string>("1"));
}

TEST_F(CompositeMenuTest, StoredLinkTypeFiveLeavesBothRadiosClearAndOkStoresMinusOne) {
    StoreComposite(5, 1, "C:\\DEM\\A.DCM", 0);
    host().Desktop().ScriptDialog(hostsim::PressOk());
    EXPECT_EQ(Choose(), 0);
    const auto& controls = host().Desktop().LastDialogControls();
    EXPECT_FALSE(controls.at(IDC_GUIDEBOOK_RADIO).checked);
    EXPECT_FALSE(controls.at(IDC_DCM_RADIO).checked);
    EXPECT_EQ(host().Profiles().Get(kPluginId, "LinkType"), std::optional<std::string>("-1"));
    EXPECT_EQ(host().Maps().ViewCacheClears(), 1);  // 5 became -1
}

TEST_F(CompositeMenuTest, ReopenOfALemSheetDoesNotAskAgainAndRestoresDcmView) {
    const std::string path = WriteSheet(SmallSheet());
    host().Maps().SetMapgroupFile(5, path);
    StoreComposite(0, 0, "", 0);
    host().Desktop().ScriptDialog(hostsim::PressOk());
    EXPECT_EQ(Choose(), 0);
    int dialogs = 0;
    for (const hostsim::Call& call : host().Log().Entries())
        dialogs += call.kind == hostsim::Call::Kind::Desktop && call.name == "dialog";
    EXPECT_EQ(dialogs, 1);
    ASSERT_EQ(host().Maps().OpenRequests().size(), 1u);
    EXPECT_EQ(plugin::State().openMaps.Count(), 1u);  // the reopen went through the map type
    EXPECT_EQ(host().Profiles().Get(kPluginId, "DCMView"), std::optional<std::string>("0"));
}

TEST_F(CompositeMenuTest, StateQueryWritesOneAndOtherCodesDoNothing) {
    EXPECT_EQ(host().Registry().MenuState(menu_), std::optional<int32_t>(1));
    int32_t word = 9;
    for (int32_t code : {0, 99, 102, 2011}) EXPECT_EQ(CompositeMenuProc(code, 0, olx::ToParam(&word)), 0) << code;
    EXPECT_EQ(CompositeMenuProc(101, 0, 0), 0);
    EXPECT_EQ(word, 9);
    EXPECT_TRUE(HostCalls().empty());
}

}  // namespace
}  // namespace plugintest
