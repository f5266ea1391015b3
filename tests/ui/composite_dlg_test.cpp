#include "ui/composite_dlg.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostsim/host.h"
#include "ui/file_chooser.h"

namespace {

constexpr int kLinkCheck = CCompositeDlg::kLinkCheck;
constexpr int kPathEdit = CCompositeDlg::kPathEdit;
constexpr int kBrowse = CCompositeDlg::kBrowse;
constexpr int kPathLabel = CCompositeDlg::kPathLabel;
constexpr int kGuidebook = CCompositeDlg::kGuidebookRadio;
constexpr int kDcm = CCompositeDlg::kDcmRadio;
constexpr int kHide = CCompositeDlg::kHideCheck;

class CompositeDlgTest : public ::testing::Test {
protected:
    CompositeDlgTest() { hostsim::Reset(); }
    ~CompositeDlgTest() override { hostsim::Reset(); }
    static hostsim::Host& host() { return hostsim::Get(); }

    CCompositeDlg dlg_;
    hostsim::FakeControls controls_;
    hostsim::DialogUser user_{CCompositeDlg::kTemplate, dlg_, controls_};
};

// Radio buttons, then label, path and browse button: the five controls the rule governs.
struct Enabled {
    bool guidebook, dcm, label, path, browse;
    bool operator==(const Enabled&) const = default;
};

Enabled Read(const hostsim::DialogUser& user) {
    return {user.IsEnabled(kGuidebook), user.IsEnabled(kDcm), user.IsEnabled(kPathLabel), user.IsEnabled(kPathEdit),
            user.IsEnabled(kBrowse)};
}

void PrintTo(const Enabled& e, std::ostream* os) {
    *os << e.guidebook << e.dcm << e.label << e.path << e.browse;
}

constexpr Enabled kAllOff{false, false, false, false, false};
constexpr Enabled kRadiosOnly{true, true, false, false, false};
constexpr Enabled kAllOn{true, true, true, true, true};

TEST_F(CompositeDlgTest, InitialisationPutsFieldsIntoControlsAndAppliesTheRule) {
    struct Case {
        int32_t linkDcm, linkType;
        Enabled enabled;
        bool guidebookTicked, dcmTicked;
    };
    const Case cases[] = {
        {0, 0, kAllOff, true, false}, {0, 1, kAllOff, false, true},       {1, 0, kRadiosOnly, true, false},
        {1, 1, kAllOn, false, true},  {1, -1, kRadiosOnly, false, false}, {1, 5, kRadiosOnly, false, false},
        {7, 1, kAllOn, false, true},
    };
    for (const Case& c : cases) {
        hostsim::FakeControls controls;
        CCompositeDlg dlg;
        dlg.LinkDCM = c.linkDcm;
        dlg.LinkType = c.linkType;
        dlg.DCMFile = "C:\\DEM\\A.DCM";
        dlg.DCMView = 1;
        hostsim::DialogUser user(CCompositeDlg::kTemplate, dlg, controls);
        user.Init();
        const std::string label = std::to_string(c.linkDcm) + "/" + std::to_string(c.linkType);
        EXPECT_EQ(Read(user), c.enabled) << label;
        EXPECT_EQ(user.IsChecked(kLinkCheck), c.linkDcm != 0) << label;
        EXPECT_EQ(user.IsChecked(kGuidebook), c.guidebookTicked) << label;
        EXPECT_EQ(user.IsChecked(kDcm), c.dcmTicked) << label;
        EXPECT_TRUE(user.IsChecked(kHide)) << label;
        EXPECT_EQ(user.Text(kPathEdit), "C:\\DEM\\A.DCM") << label;
        for (int always : {kLinkCheck, kHide, 1, 2}) EXPECT_TRUE(user.IsEnabled(always)) << label << " " << always;
    }
}

TEST_F(CompositeDlgTest, ClicksTakeControlsIntoFieldsAndReapplyTheRule) {
    dlg_.LinkDCM = 0;
    dlg_.LinkType = 1;
    dlg_.DCMFile = "C:\\DEM\\KEEP.DCM";
    user_.Init();
    EXPECT_EQ(Read(user_), kAllOff);

    struct Step {
        int click;
        Enabled enabled;
        int32_t linkDcm, linkType;
    };
    const Step steps[] = {
        {kLinkCheck, kAllOn, 1, 1},
        {kGuidebook, kRadiosOnly, 1, 0},
        {kDcm, kAllOn, 1, 1},
        {kLinkCheck, kAllOff, 0, 1},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(user_.Click(s.click), 0);
        EXPECT_EQ(Read(user_), s.enabled) << s.click;
        EXPECT_EQ(dlg_.LinkDCM, s.linkDcm) << s.click;
        EXPECT_EQ(dlg_.LinkType, s.linkType) << s.click;
    }
    // A disabled path keeps its text and OK takes it like any other.
    EXPECT_EQ(user_.Text(kPathEdit), "C:\\DEM\\KEEP.DCM");
    EXPECT_EQ(user_.Ok(), ui::kIdOk);
    EXPECT_EQ(dlg_.DCMFile, "C:\\DEM\\KEEP.DCM");
    EXPECT_EQ(dlg_.LinkDCM, 0);
}

TEST_F(CompositeDlgTest, HideCheckIsTakenOnlyAtOk) {
    dlg_.DCMView = 0;
    user_.Init();
    EXPECT_EQ(user_.Click(kHide), 0);
    EXPECT_EQ(dlg_.DCMView, 0);
    EXPECT_EQ(user_.Ok(), ui::kIdOk);
    EXPECT_EQ(dlg_.DCMView, 1);
}

TEST_F(CompositeDlgTest, CancelKeepsTheFieldsLastTaken) {
    dlg_.LinkDCM = 0;
    dlg_.LinkType = 0;
    dlg_.DCMFile = "C:\\OLD.DCM";
    user_.Init();
    user_.Click(kLinkCheck);               // taken: LinkDCM 1
    user_.Type(kPathEdit, "C:\\NEW.DCM");  // typed, never taken
    EXPECT_EQ(user_.Cancel(), ui::kIdCancel);
    EXPECT_EQ(dlg_.LinkDCM, 1);
    EXPECT_EQ(dlg_.DCMFile, "C:\\OLD.DCM");
}

TEST_F(CompositeDlgTest, NeitherRadioTickedGivesMinusOne) {
    dlg_.LinkDCM = 1;
    dlg_.LinkType = 5;
    user_.Init();
    EXPECT_EQ(user_.Ok(), ui::kIdOk);
    EXPECT_EQ(dlg_.LinkType, -1);
}

TEST_F(CompositeDlgTest, BrowseAsksForADcmFileStartingFromTheTypedPath) {
    dlg_.LinkDCM = 1;
    dlg_.LinkType = 1;
    dlg_.DCMFile = "C:\\OLD.DCM";
    user_.Init();
    user_.Type(kPathEdit, "C:\\DEM\\typed.dcm");
    host().Desktop().AnswerFileDialog({true, "C:\\DEM\\\x95\x5C.DCM"});  // 表.DCM
    EXPECT_EQ(user_.Click(kBrowse), 0);

    ASSERT_EQ(host().Desktop().FileDialogs().size(), 1u);
    const hostsim::FileDialogRecord& request = host().Desktop().FileDialogs()[0];
    EXPECT_TRUE(request.openDialog);
    EXPECT_EQ(request.filter, std::string("圧縮地図 [*.DCM]\0*.DCM\0すべて\0*.*\0\0", 35));
    EXPECT_EQ(request.filterIndex, 1u);
    EXPECT_EQ(request.title, std::optional<std::string>("標高データ（圧縮地図）の選択"));
    EXPECT_EQ(request.flags, 0x00080006u);  // OFN_EXPLORER | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT
    EXPECT_EQ(request.initialName, "C:\\DEM\\typed.dcm");
    EXPECT_EQ(request.fileBufferSize, 260u);
    EXPECT_EQ(request.defaultExtension, std::optional<std::string>("dcm"));

    EXPECT_EQ(dlg_.DCMFile, "C:\\DEM\\\x95\x5C.DCM");
    EXPECT_EQ(user_.Text(kPathEdit), "C:\\DEM\\\x95\x5C.DCM");
}

TEST_F(CompositeDlgTest, CancelledBrowseLeavesThePath) {
    dlg_.LinkDCM = 1;
    dlg_.LinkType = 1;
    dlg_.DCMFile = "C:\\OLD.DCM";
    user_.Init();
    EXPECT_EQ(user_.Click(kBrowse), 0);  // no answer scripted: cancelled
    EXPECT_EQ(host().Desktop().FileDialogs().size(), 1u);
    EXPECT_EQ(dlg_.DCMFile, "C:\\OLD.DCM");
    EXPECT_EQ(user_.Text(kPathEdit), "C:\\OLD.DCM");
}

// ---- the file chooser

TEST(FileChooserFilter, BarsBecomeNulsAndTheTrailingPairEndsTheList) {
    struct Case {
        const char* filter;
        std::string expected;
    };
    const Case cases[] = {
        {"a|b||", std::string("a\0b\0\0\0", 6)},
        {"", std::string("\0", 1)},
        {"Text|*.txt|All|*.*||", std::string("Text\0*.txt\0All\0*.*\0\0\0", 21)},
    };
    for (const Case& c : cases) {
        const std::vector<char> out = CFileChooser::ConvertFilter(c.filter);
        EXPECT_EQ(std::string(out.begin(), out.end()), c.expected) << c.filter;
    }
}

class FileChooserTest : public ::testing::Test {
protected:
    FileChooserTest() { hostsim::Reset(); }
    ~FileChooserTest() override { hostsim::Reset(); }
    static hostsim::Host& host() { return hostsim::Get(); }
};

TEST_F(FileChooserTest, LongInitialNamesAreCutAtACharacterBoundaryInside260Bytes) {
    struct Case {
        const char* label;
        std::string initial;
        std::string expected;
    };
    const std::string a259(259, 'A');
    const Case cases[] = {
        {"259 bytes fit", a259, a259},
        {"260 bytes", std::string(260, 'B'), std::string(259, 'B')},
        {"far longer", std::string(5000, 'C'), std::string(259, 'C')},
        // 258 bytes and 表: the double-byte character would end at byte 260; it is left out whole.
        {"double-byte at the edge", std::string(258, 'D') + "\x95\x5C", std::string(258, 'D')},
        {"double-byte inside", std::string(257, 'E') + "\x95\x5C" + "XYZ", std::string(257, 'E') + "\x95\x5C"},
    };
    for (const Case& c : cases) {
        host().Desktop().ClearFileDialogAnswers();
        CFileChooser chooser(1, "dcm", c.initial.c_str(), 0, "x|*.x||", nullptr);
        EXPECT_EQ(chooser.run(), ui::kIdCancel) << c.label;
        ASSERT_FALSE(host().Desktop().FileDialogs().empty());
        EXPECT_EQ(host().Desktop().FileDialogs().back().initialName, c.expected) << c.label;
        EXPECT_EQ(chooser.path(), c.expected) << c.label;
    }
}

TEST_F(FileChooserTest, OpenFlagChoosesTheDialogAndOkGivesThePath) {
    host().Desktop().AnswerFileDialog({true, "C:\\OUT\\B.DCM"});
    CFileChooser save(0, "dcm", "C:\\IN\\A.DCM", 0, "x|*.x||", nullptr);
    EXPECT_EQ(save.run(), ui::kIdOk);
    EXPECT_EQ(save.path(), "C:\\OUT\\B.DCM");
    ASSERT_EQ(host().Desktop().FileDialogs().size(), 1u);
    EXPECT_FALSE(host().Desktop().FileDialogs()[0].openDialog);
    EXPECT_EQ(host().Desktop().FileDialogs()[0].flags, 0x00080000u);
    EXPECT_EQ(host().Desktop().FileDialogs()[0].filterIndex, 1u);
}

}  // namespace
