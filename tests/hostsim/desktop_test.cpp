#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "hostsim/host.h"
#include "platform/message_box.h"
#include "res/resource_ids.h"
#include "ui/dialog_host.h"

using ::testing::ElementsAre;

namespace {

class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override { hostsim::Reset(); }
    hostsim::Host& host = hostsim::Get();
};

// Dialog logic of the test's own: it records what it is told and ends on OK/Cancel.
class RecordingLogic : public ui::DialogLogic {
public:
    std::vector<std::string> seen;
    int okResult = ui::kIdOk;
    void OnInit(ui::DialogControls& c) override {
        seen.push_back("init");
        c.SetChecked(IDC_GUIDEBOOK_RADIO, true);
        c.SetText(IDC_DCM_FILE, "C:\\a.dcm");
        c.Enable(IDC_BROWSE, false);
    }
    int OnCommand(int id, ui::DialogControls& c) override {
        seen.push_back(std::to_string(id) + (c.IsChecked(id) ? "+" : "-"));
        if (id == ui::kIdOk) return okResult;
        if (id == ui::kIdCancel) return ui::kIdCancel;
        return 0;
    }
};

TEST_F(DesktopTest, MessageBoxesAreRecordedAndAnsweredInScriptOrder) {
    host.Desktop().AnswerMessageBox(2);
    host.Desktop().AnswerMessageBox(7);
    int owner = 0;
    EXPECT_EQ(platform::SystemMessageBox(nullptr, "メモリーが足りません.\n", "cap", platform::kMbIconExclamation), 2);
    EXPECT_EQ(platform::SystemMessageBox(&owner, "b", nullptr, platform::kMbIconStop), 7);
    EXPECT_EQ(platform::SystemMessageBox(nullptr, "c", "", platform::kMbOk | platform::kMbIconInformation), 1);
    const auto& boxes = host.Desktop().MessageBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, "\x83\x81\x83\x82\x83\x8A\x81\x5B\x82\xAA\x91\xAB\x82\xE8\x82\xDC\x82\xB9\x82\xF1.\n");
    EXPECT_EQ(boxes[0].style, 0x30u);
    EXPECT_EQ(boxes[1].owner, &owner);
    EXPECT_EQ(boxes[1].caption, "");
    EXPECT_EQ(boxes[2].answer, 1);
    const auto logged = host.Log().Calls("box");
    ASSERT_EQ(logged.size(), 3u);
    EXPECT_EQ(logged[2].args, "\"c\", \"\", 0x40, null");
    EXPECT_EQ(logged[1].args.substr(0, 15), "\"b\", null, 0x10");
    EXPECT_EQ(logged[0].result, "2");
    // Natively the main window is not asked for: the log holds the module's calls only.
    EXPECT_THAT(host.Log().Names(), ElementsAre("box", "box", "box"));
}

TEST_F(DesktopTest, DialogWithoutScriptIsConfirmedAtOnce) {
    RecordingLogic logic;
    EXPECT_EQ(ui::RunModalDialog(IDD_COMPOSITE, nullptr, logic), ui::kIdOk);
    EXPECT_THAT(logic.seen, ElementsAre("init", "1-"));
    ASSERT_EQ(host.Log().Calls("dialog").size(), 1u);
    EXPECT_EQ(host.Log().Calls("dialog")[0].args, "29006, null");
    EXPECT_EQ(host.Log().Calls("dialog")[0].result, "1");
    EXPECT_EQ(host.Desktop().LastDialogControls().at(IDC_DCM_FILE).text, "C:\\a.dcm");
    EXPECT_FALSE(host.Desktop().LastDialogControls().at(IDC_BROWSE).enabled);
}

TEST_F(DesktopTest, ClicksToggleCheckBoxesAndTickOneRadioOfTheGroup) {
    RecordingLogic logic;
    host.Desktop().ScriptDialog(
        hostsim::ClickThenCancel({IDC_LINK_DCM, IDC_DCM_RADIO, IDC_HIDE_CHECK, IDC_LINK_DCM, IDC_GUIDEBOOK_RADIO}));
    EXPECT_EQ(ui::RunModalDialog(IDD_COMPOSITE, nullptr, logic), ui::kIdCancel);
    EXPECT_THAT(logic.seen, ElementsAre("init", "29006+", "29011+", "29012+", "29006-", "29010+", "2-"));
    const auto& c = host.Desktop().LastDialogControls();
    EXPECT_TRUE(c.at(IDC_GUIDEBOOK_RADIO).checked);
    EXPECT_FALSE(c.at(IDC_DCM_RADIO).checked);
    EXPECT_TRUE(c.at(IDC_HIDE_CHECK).checked);
    EXPECT_FALSE(c.at(IDC_LINK_DCM).checked);
}

TEST_F(DesktopTest, ScriptsSeeAndChangeTheControls) {
    RecordingLogic logic;
    logic.okResult = 0;  // e.g. a validation that keeps the dialog open
    bool checked = false;
    host.Desktop().ScriptDialog([&](hostsim::DialogUser& user) {
        EXPECT_EQ(user.TemplateId(), IDD_COMPOSITE);
        user.Init();
        checked = user.IsChecked(IDC_GUIDEBOOK_RADIO) && !user.IsEnabled(IDC_BROWSE) &&
                  user.Text(IDC_DCM_FILE) == "C:\\a.dcm";
        user.Type(IDC_DCM_FILE, "D:\\b.dcm");
        EXPECT_EQ(user.Ok(), 0);
        EXPECT_FALSE(user.Ended());
        return user.Cancel();
    });
    EXPECT_EQ(ui::RunModalDialog(IDD_COMPOSITE, nullptr, logic), ui::kIdCancel);
    EXPECT_TRUE(checked);
    EXPECT_THAT(logic.seen, ElementsAre("init", "1-", "2-"));
    EXPECT_EQ(host.Desktop().LastDialogControls().at(IDC_DCM_FILE).text, "D:\\b.dcm");
}

TEST_F(DesktopTest, FileDialogLogsTheRequestAndAnswersFromTheScript) {
    static const char kFilter[] = "DCM [*.DCM]\0*.DCM\0All\0*.*\0";  // the literal adds the last NUL
    char buffer[16] = "C:\\old.dcm";
    ui::FileDialogRequest request;
    request.filter = kFilter;
    request.filterIndex = 1;
    request.fileBuffer = buffer;
    request.fileBufferSize = sizeof buffer;
    request.title = "Choose";
    request.flags = 0x80006;
    request.defaultExtension = "dcm";

    host.Desktop().AnswerFileDialog({true, "D:\\new.dcm"});
    host.Desktop().AnswerFileDialog({true, "D:\\far\\too\\long.dcm"});
    EXPECT_TRUE(ui::RunFileDialog(request, true));
    EXPECT_STREQ(buffer, "D:\\new.dcm");
    EXPECT_FALSE(ui::RunFileDialog(request, false));  // does not fit the 16-byte buffer
    EXPECT_STREQ(buffer, "D:\\new.dcm");
    EXPECT_FALSE(ui::RunFileDialog(request, true));  // no answer left: cancelled

    const auto& d = host.Desktop().FileDialogs();
    ASSERT_EQ(d.size(), 3u);
    EXPECT_EQ(d[0].filter, std::string(kFilter, sizeof kFilter));
    EXPECT_EQ(d[0].initialName, "C:\\old.dcm");
    EXPECT_EQ(d[1].initialName, "D:\\new.dcm");
    EXPECT_TRUE(d[0].openDialog);
    EXPECT_FALSE(d[1].openDialog);
    EXPECT_EQ(d[0].title, "Choose");
    EXPECT_EQ(d[0].defaultExtension, "dcm");
    EXPECT_EQ(d[0].flags, 0x80006u);
    EXPECT_EQ(host.Log().Calls("file dialog")[0].args,
              "open, \"DCM [*.DCM]\\0*.DCM\\0All\\0*.*\\0\\0\", 1, \"Choose\", 0x80006, \"C:\\old.dcm\", 16, \"dcm\"");
    EXPECT_EQ(host.Log().Calls("file dialog")[0].result, "\"D:\\new.dcm\"");
}

TEST_F(DesktopTest, OpenLemDialogAnswersFromTheScriptAndCancelsByDefault) {
    host.Desktop().AnswerOpenDialog({ui::kIdOk, "C:\\V\\LEM\\FUJI.LEM"});
    std::string path = "unchanged";
    EXPECT_EQ(ui::RunOpenLemDialog(nullptr, path), ui::kIdOk);
    EXPECT_EQ(path, "C:\\V\\LEM\\FUJI.LEM");
    path = "unchanged";
    EXPECT_EQ(ui::RunOpenLemDialog(nullptr, path), ui::kIdCancel);
    EXPECT_EQ(path, "unchanged");
    EXPECT_EQ(host.Desktop().OpenLemDialogs(), 2);
    EXPECT_THAT(host.Log().Names(hostsim::Call::Kind::Desktop), ElementsAre("open dialog", "open dialog"));
}

}  // namespace
