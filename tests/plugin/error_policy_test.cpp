// How failures reach the user and the host: a reader's result becomes the box of its kind, a
// dialog whose window cannot be made is told of and is not a Cancel, and whatever is thrown
// inside a procedure the host calls ends there as that procedure's failure answer.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "lem/lem_map.h"
#include "platform/guard.h"
#include "tests/plugin/plugin_fixture.h"
#include "tests/plugin/sheet_fixture.h"
#include "plugin/composite_menu.h"
#include "ui/dialog_host.h"

namespace plugintest {
namespace {

// "メモリーが足りません.\n" and "ファイルが開けません.\n" as the user sees them.
const std::string kMemory = "メモリーが足りません.\n";
const std::string kFile = "ファイルが開けません.\n";
constexpr uint32_t kExclamation = 0x30;  // MB_OK | MB_ICONEXCLAMATION
constexpr uint32_t kStop = 0x10;         // MB_OK | MB_ICONSTOP

hostsim::DialogScript WindowCannotBeMade() {
    return [](hostsim::DialogUser&) { return ui::kDialogFailed; };
}

class ErrorPolicyTest : public PluginFixture {
protected:
    void SetUp() override {
        StartModule();
        platform::ResetGuardFailures();
        path_ = WriteSheet(SmallSheet());
    }
    void TearDown() override { platform::ResetGuardFailures(); }

    // 2003, 2004 and 2011 as the host opens a file; the result of 2011.
    int32_t OpenSheet() {
        const uint32_t handle = host().Maps().OpenFile(path_);
        const hostsim::OpenMap* map = host().Maps().FindOpenMap(handle);
        return map ? map->described : 0;
    }
    static std::vector<std::string> BoxTexts() {
        std::vector<std::string> texts;
        for (const hostsim::MessageBoxRecord& box : host().Desktop().MessageBoxes()) texts.push_back(box.text);
        return texts;
    }
    static int Writes() {
        return host().Log().Count("OLX_WriteProfileInt") + host().Log().Count("OLX_WriteProfileString");
    }

    std::string path_;
};

TEST_F(ErrorPolicyTest, DescribeShowsTheReadersFailureOfItsKind) {
    // The data file gone between open and describe: the file message with the data path the
    // reader tried last (without LEM\SMALL.LEM, DATA\SMALL.LEM).
    const uint32_t handle = 16;
    ASSERT_EQ(LemMapProc(olx::kMsgOpen, handle, olx::ToParam(path_.c_str())), 1);
    root_.Remove(path_);
    tagMAPINFO info{};
    info.size = 1234;
    EXPECT_EQ(LemMapProc(olx::kMsgDescribe, handle, olx::ToParam(&info)), 0);
    ASSERT_EQ(host().Desktop().MessageBoxes().size(), 1u);
    EXPECT_EQ(host().Desktop().MessageBoxes()[0].text, kFile + "C:\\V\\DATA\\SMALL.LEM");
    EXPECT_EQ(host().Desktop().MessageBoxes()[0].style, kExclamation);
    EXPECT_EQ(host().Desktop().MessageBoxes()[0].caption, "Orolux");
    EXPECT_EQ(info.size, 1234);  // untouched
    EXPECT_NE(plugin::State().openMaps.Lookup(handle), nullptr);

    // A refused header is no box: the host's open fails quietly.
    root_.Write(path_, "x");
    root_.Write("C:\\V\\HEADER\\SMALL.CSV", "\x8F\x6B\x8E\xDA,5000\r\n");  // the scale mark, nothing else
    EXPECT_EQ(LemMapProc(olx::kMsgDescribe, handle, olx::ToParam(&info)), 0);
    EXPECT_EQ(host().Desktop().MessageBoxes().size(), 1u);
}

// Without its window the user chose nothing: the command tells the user why and does nothing
// more, where a Cancel would pass silently.
TEST_F(ErrorPolicyTest, DialogWhoseWindowCannotBeMadeIsToldOfAndChangesNothing) {
    // At map open: the stored settings stand (here a DCM file that is missing, so its own stop
    // box follows), nothing is written but the margin, and the map is described.
    StoreComposite(1, 1, "C:\\DEM\\MISSING.DCM", 0);
    host().Desktop().ScriptDialog(WindowCannotBeMade());
    EXPECT_EQ(OpenSheet(), 1);
    EXPECT_EQ(
        BoxTexts(),
        (std::vector<std::string>{
            kMemory + "CCompositeDlg::DoModal",
            "下記の標高データが開けないか形式が読みとれません.\n圧縮した標高データ(DCM形式)を指定してください.\n\n"
            "C:\\DEM\\MISSING.DCM"}));
    EXPECT_EQ(host().Desktop().MessageBoxes()[0].style, kExclamation);
    EXPECT_EQ(host().Desktop().MessageBoxes()[1].style, kStop);
    EXPECT_EQ(host().Log().Count("OLX_WriteProfileInt"), 1);  // Region
    EXPECT_EQ(host().Log().Count("OLX_WriteProfileString"), 0);
    EXPECT_EQ(host().Maps().ViewCacheClears(), 0);
}

// Boxes are composed in a fixed buffer; a setting longer than it still reaches the box whole.
TEST_F(ErrorPolicyTest, StopBoxCarriesADcmSettingOfAnyLength) {
    for (const size_t length : {size_t{10}, size_t{2000}}) {
        hostsim::Reset();
        plugin::ResetModuleState();
        StartModule();
        const std::string setting = "C:\\" + std::string(length, 'D') + ".DCM";
        StoreComposite(1, 1, setting, 1);
        EXPECT_EQ(OpenSheet(), 1);
        EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"下記の標高データが開けないか形式が読みとれません."
                                                        "\n圧縮した標高データ(DCM形式)を指定してください.\n\n" +
                                                        setting}))
            << length;
    }
}

TEST_F(ErrorPolicyTest, MenuCommandsWhoseDialogCannotBeMadeAreToldOfAndDoNothing) {
    struct Case {
        const char* menu;
        const char* operation;
    } const cases[] = {
        {"合成設定(&S)", "CCompositeDlg::DoModal"},
        {"数値地図火山標高(&V)", "COpenLemDlg::DoModal"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.menu);
        hostsim::Reset();
        plugin::ResetModuleState();
        StartModule();
        StoreComposite(0, 0, "", 0);
        host().Desktop().ScriptDialog(WindowCannotBeMade());
        host().Desktop().AnswerOpenDialog({ui::kDialogFailed, ""});
        const int32_t menu = host().Registry().FindMenu(c.menu);
        ASSERT_NE(menu, 0);
        EXPECT_EQ(host().Registry().FireMenu(menu, olx::kMenuCommand), 0);
        ASSERT_EQ(host().Desktop().MessageBoxes().size(), 1u);
        EXPECT_EQ(host().Desktop().MessageBoxes()[0].text, kMemory + c.operation);
        EXPECT_EQ(host().Desktop().MessageBoxes()[0].style, kExclamation);
        EXPECT_EQ(Writes(), 0);
        EXPECT_TRUE(host().Maps().OpenRequests().empty());
    }
}

// The composite dialog runs inside map open and inside the settings command, so a script that
// throws there plays any failure deep inside those procedures.
TEST_F(ErrorPolicyTest, WhatIsThrownInsideAProcedureEndsThereAsItsFailureAnswer) {
    struct Case {
        const char* what;
        hostsim::DialogScript script;
        uint32_t platform::GuardCounts::*counter;
    } const cases[] = {
        {"allocation failure", [](hostsim::DialogUser&) -> int { throw std::bad_alloc(); },
         &platform::GuardCounts::noMemory},
        {"broken invariant",
         [](hostsim::DialogUser&) -> int {
             const bool settingsReadable = false;
             TEPHRIX_CHECK(settingsReadable);
             return ui::kIdOk;
         },
         &platform::GuardCounts::invariant},
        {"anything else", [](hostsim::DialogUser&) -> int { throw std::runtime_error("x"); },
         &platform::GuardCounts::other},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        hostsim::Reset();
        plugin::ResetModuleState();
        StartModule();
        platform::ResetGuardFailures();
        StoreComposite(0, 1, "", 0);

        // Map open: 2011 answers 0 (not described); the host gives the map up, and nothing was
        // stored. The module stays usable: the next open is described.
        host().Desktop().ScriptDialog(c.script);
        EXPECT_EQ(OpenSheet(), 0);
        EXPECT_EQ(platform::GuardFailures().*c.counter, 1u);
        if (c.counter == &platform::GuardCounts::invariant) {
            // A broken invariant says which.
            ASSERT_NE(platform::GuardFailures().lastCheck, nullptr);
            EXPECT_NE(std::string(platform::GuardFailures().lastCheck).find("settingsReadable"), std::string::npos);
        }
        EXPECT_EQ(Writes(), 0);
        EXPECT_EQ(plugin::State().openMaps.Count(), 0u);
        EXPECT_TRUE(host().Desktop().MessageBoxes().empty());
        host().Desktop().ScriptDialog(hostsim::PressCancel());
        EXPECT_EQ(OpenSheet(), 1);

        // The settings command: a menu procedure answers 0 whatever happens; nothing stored,
        // nothing reopened.
        host().Log().Clear();
        host().Desktop().ScriptDialog(c.script);
        EXPECT_EQ(CompositeMenuProc(olx::kMenuCommand, 0, 0), 0);
        EXPECT_EQ(platform::GuardFailures().*c.counter, 2u);
        EXPECT_EQ(Writes(), 0);
        EXPECT_EQ(host().Log().Count("OLX_OpenMap"), 0);
    }
}

TEST(Guarded, AnswersWithTheFailureValueOrTheFailureAction) {
    platform::ResetGuardFailures();
    EXPECT_EQ(platform::Guarded(7, [] { return 3; }), 3);
    EXPECT_EQ(platform::Guarded(7, []() -> int { throw std::bad_alloc(); }), 7);
    int cleanups = 0;
    const int answer = platform::Guarded([]() -> int { throw 1; },
                                         [&]() noexcept {
                                             ++cleanups;
                                             return -1;
                                         });
    EXPECT_EQ(answer, -1);
    EXPECT_EQ(cleanups, 1);
    EXPECT_EQ(platform::GuardFailures().noMemory, 1u);
    EXPECT_EQ(platform::GuardFailures().other, 1u);
    EXPECT_EQ(platform::GuardFailures().invariant, 0u);
    platform::ResetGuardFailures();
}

}  // namespace
}  // namespace plugintest
