#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/dcm_elevation.h"
#include "base/xem_elevation.h"
#include "lem/lem_map.h"
#include "res/resource_ids.h"
#include "tests/plugin/plugin_fixture.h"
#include "tests/plugin/sheet_fixture.h"

namespace plugintest {
namespace {

using Lines = std::vector<std::string>;

class CompositeOpenTest : public PluginFixture {
protected:
    void SetUp() override {
        StartModule();
        path_ = WriteSheet(SmallSheet());
    }
    // Opens the sheet as the host does (2003, 2004, 2011) and returns the result of 2011.
    int32_t OpenSheet() {
        handle_ = host().Maps().OpenFile(path_);
        const hostsim::OpenMap* map = host().Maps().FindOpenMap(handle_);
        return map ? map->described : 0;
    }
    static int Dialogs() {
        int n = 0;
        for (const hostsim::Call& call : host().Log().Entries())
            n += call.kind == hostsim::Call::Kind::Desktop && call.name == "dialog";
        return n;
    }
    CLemMap* Record() const { return plugin::State().openMaps.Lookup(handle_); }
    static Lines RegionLines() { return {GetInt("Region", 256), PutInt("Region", 256)}; }
    static Lines Concat(Lines a, const Lines& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }

    std::string path_;
    uint32_t handle_ = 0;
};

TEST_F(CompositeOpenTest, HiddenDialogReadsSettingsAndWritesOnlyRegion) {
    StoreComposite(0, 0, "C:\\DEM\\A.DCM", 1);
    EXPECT_EQ(OpenSheet(), 1);
    EXPECT_EQ(HostCallLines(), Concat(CompositeReads(), RegionLines()));
    EXPECT_EQ(Dialogs(), 0);
    EXPECT_TRUE(host().Desktop().MessageBoxes().empty());
    ASSERT_NE(Record(), nullptr);
    EXPECT_EQ(Record()->SourceAs<CDcmElevation>(), nullptr);
    EXPECT_EQ(Record()->SourceAs<CXemElevation>(), nullptr);
}

TEST_F(CompositeOpenTest, ConfirmedUnchangedWritesAllFourKeysWithoutClearingViews) {
    StoreComposite(1, 0, "C:\\DEM\\A.DCM", 0);
    host().Desktop().ScriptDialog(hostsim::PressOk());
    EXPECT_EQ(OpenSheet(), 1);
    const Lines writes = {PutInt("LinkType", 1), PutInt("LinkDCM", 0), PutString("DCMFile", "C:\\DEM\\A.DCM"),
                          PutInt("DCMView", 0)};
    EXPECT_EQ(HostCallLines(), Concat(Concat(CompositeReads(), writes), RegionLines()));
    EXPECT_EQ(Dialogs(), 1);
    EXPECT_EQ(host().Maps().ViewCacheClears(), 0);
}

// The dialog's fields put into its controls at the start.
TEST_F(CompositeOpenTest, DialogShowsTheStoredSettings) {
    StoreComposite(1, 1, "C:\\DEM\\A.DCM", 0);
    host().Desktop().ScriptDialog(hostsim::PressCancel());
    EXPECT_EQ(OpenSheet(), 1);
    const auto& controls = host().Desktop().LastDialogControls();
    EXPECT_TRUE(controls.at(IDC_LINK_DCM).checked);
    EXPECT_EQ(controls.at(IDC_DCM_FILE).text, "C:\\DEM\\A.DCM");
    EXPECT_FALSE(controls.at(IDC_GUIDEBOOK_RADIO).checked);
    EXPECT_TRUE(controls.at(IDC_DCM_RADIO).checked);
}

struct ChangeCase {
    const char* label;
    std::string stored;
    std::string typed;
    int clears;
};

TEST_F(CompositeOpenTest, PathCompareIgnoresCaseOfSingleByteLettersOnly) {
    const ChangeCase cases[] = {
        {"same", "C:\\DEM\\base.dcm", "C:\\DEM\\base.dcm", 0},
        {"letter case", "C:\\地図\\base.dcm", "C:\\地図\\BASE.DCM", 0},
        // ア is 83 41 and ヂ 83 61: their trail bytes differ only as 'A' and 'a' do.
        {"double-byte trail A/a", "C:\\\x83\x41.DCM", "C:\\\x83\x61.DCM", 1},
        {"other file", "C:\\DEM\\base.dcm", "C:\\DEM\\base2.dcm", 1},
    };
    for (const ChangeCase& c : cases) {
        hostsim::Reset();
        plugin::ResetModuleState();
        StartModule();
        StoreComposite(1, 0, c.stored, 0);
        const std::string typed = c.typed;
        host().Desktop().ScriptDialog([typed](hostsim::DialogUser& user) {
            user.Init();
            user.Type(IDC_DCM_FILE, typed);
            return user.Ok();
        });
        EXPECT_EQ(OpenSheet(), 1) << c.label;
        EXPECT_EQ(host().Maps().ViewCacheClears(), c.clears) << c.label;
        EXPECT_EQ(host().Profiles().Get(kPluginId, "DCMFile"), std::optional<std::string>(c.typed)) << c.label;
    }
}

TEST_F(CompositeOpenTest, SeveralChangesClearTheViewsOnceBetweenReadsAndWrites) {
    StoreComposite(0, 0, "", 0);
    host().Guidebook().SetSource(hostsim::MakeSetInfo(35, 138, 72, 72, hostsim::kDatumTokyo),
                                 [](int32_t, int16_t* out) {
                                     std::fill(out, out + olx::kBlockCells, int16_t{100});
                                     return true;
                                 });
    host().Desktop().ScriptDialog(hostsim::ClickThenOk({IDC_LINK_DCM, IDC_DCM_RADIO}));
    host().Log().Clear();
    EXPECT_EQ(OpenSheet(), 1);
    const Lines lines = HostCallLines();
    ASSERT_GE(lines.size(), 10u);
    const Lines head(lines.begin(), lines.begin() + 9);
    const Lines expected =
        Concat(Concat(CompositeReads(), {"OLX_ClearAllViewCache()"}),
               {PutInt("LinkType", 1), PutInt("LinkDCM", 1), PutString("DCMFile", ""), PutInt("DCMView", 0)});
    EXPECT_EQ(head, expected);
    EXPECT_EQ(host().Maps().ViewCacheClears(), 1);
}

TEST_F(CompositeOpenTest, CompositeTickedThenCancelledDescribesWithItButStoresNothing) {
    StoreComposite(0, 0, "", 0);
    host().Desktop().ScriptDialog(hostsim::ClickThenCancel({IDC_LINK_DCM}));
    EXPECT_EQ(OpenSheet(), 1);
    // No guidebook set in this host: the source chosen by the unsaved fields fails visibly.
    ASSERT_EQ(host().Desktop().MessageBoxes().size(), 1u);
    EXPECT_EQ(host().Desktop().MessageBoxes()[0].text,
              "下記の標高データが開けないか形式が読みとれません.\n\nOrolux解説本の５０ｍメッシュ標高データ.");
    EXPECT_EQ(host().Desktop().MessageBoxes()[0].style, 0x10u);  // MB_OK | MB_ICONSTOP
    EXPECT_EQ(host().Profiles().Get(kPluginId, "LinkDCM"), std::optional<std::string>("0"));
    EXPECT_EQ(host().Log().Count("OLX_WriteProfileInt"), 1);  // Region only
    EXPECT_EQ(host().Log().Count("OLX_WriteProfileString"), 0);
    ASSERT_NE(Record(), nullptr);
    EXPECT_NE(Record()->SourceAs<CXemElevation>(), nullptr);  // attached, unopened
}

TEST_F(CompositeOpenTest, GuidebookSourceIsAttachedWithoutMessage) {
    StoreComposite(0, 1, "", 1);
    host().Guidebook().SetSource(hostsim::MakeSetInfo(35, 138, 72, 72, hostsim::kDatumTokyo),
                                 [](int32_t, int16_t* out) {
                                     std::fill(out, out + olx::kBlockCells, int16_t{100});
                                     return true;
                                 });
    EXPECT_EQ(OpenSheet(), 1);
    EXPECT_TRUE(host().Desktop().MessageBoxes().empty());
    ASSERT_NE(Record(), nullptr);
    EXPECT_NE(Record()->SourceAs<CXemElevation>(), nullptr);
    EXPECT_EQ(Record()->SourceAs<CDcmElevation>(), nullptr);
    EXPECT_EQ(host().Log().Count("OLX_XEM_Open"), 1);
}

TEST_F(CompositeOpenTest, AnyNonZeroLinkTypeChoosesTheDcmFileAndReportsItsPath) {
    for (int32_t linkType : {1, -1, 5}) {
        hostsim::Reset();
        plugin::ResetModuleState();
        StartModule();
        StoreComposite(linkType, 1, "C:\\DEM\\MISSING.DCM", 1);
        EXPECT_EQ(OpenSheet(), 1) << linkType;
        ASSERT_EQ(host().Desktop().MessageBoxes().size(), 1u) << linkType;
        EXPECT_EQ(
            host().Desktop().MessageBoxes()[0].text,
            "下記の標高データが開けないか形式が読みとれません.\n圧縮した標高データ(DCM形式)を指定してください.\n\n"
            "C:\\DEM\\MISSING.DCM");
        EXPECT_EQ(host().Desktop().MessageBoxes()[0].style, 0x10u);
        // The host's title: its executable C:\Program Files\Orolux\Orolux.exe has no title string.
        EXPECT_EQ(host().Desktop().MessageBoxes()[0].caption, "Orolux");
        ASSERT_NE(Record(), nullptr);
        EXPECT_NE(Record()->SourceAs<CDcmElevation>(), nullptr);
        EXPECT_EQ(Record()->SourceAs<CXemElevation>(), nullptr);
        EXPECT_EQ(host().Log().Count("OLX_XEM_Open"), 0);
    }
}

// The host opens the same handle again while the settings are confirmed: the record it replaced
// was the one whose header was read, so the map is not described from the new one.
TEST_F(CompositeOpenTest, NestedOpenReplacingTheRecordFailsTheDescribe) {
    StoreComposite(0, 0, "", 0);
    host().Maps().SetCloseOnDescribeFailure(false);
    const uint32_t handle = host().Maps().NextHandle();
    const std::string path = path_;
    host().Desktop().ScriptDialog([handle, path](hostsim::DialogUser& user) {
        EXPECT_EQ(LemMapProc(olx::kMsgOpen, handle, reinterpret_cast<intptr_t>(path.c_str())), 1);
        return hostsim::PressOk()(user);
    });
    EXPECT_EQ(host().Maps().OpenFile(path_), 0u);
    const CLemMap* record = plugin::State().openMaps.Lookup(handle);
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(record->LineBuffer.empty());
    // The record that stays describes itself at the next map-info message.
    EXPECT_EQ(host().Maps().Describe(handle), 1);
}

TEST_F(CompositeOpenTest, CompositeOffAttachesNothingAndSaysNothing) {
    StoreComposite(1, 0, "C:\\DEM\\MISSING.DCM", 1);
    EXPECT_EQ(OpenSheet(), 1);
    EXPECT_TRUE(host().Desktop().MessageBoxes().empty());
    EXPECT_EQ(Record()->SourceAs<CDcmElevation>(), nullptr);
    EXPECT_EQ(Record()->SourceAs<CXemElevation>(), nullptr);
}

TEST_F(CompositeOpenTest, RepeatedDescribeShowsTheDialogAgain) {
    StoreComposite(0, 0, "", 0);
    EXPECT_EQ(OpenSheet(), 1);
    EXPECT_EQ(host().Maps().Describe(handle_), 1);
    EXPECT_EQ(Dialogs(), 2);
}

}  // namespace
}  // namespace plugintest
