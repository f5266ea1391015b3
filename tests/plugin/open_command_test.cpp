#include "plugin/open_command.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "base/block_id.h"
#include "hostsim/drive_root.h"
#include "hostsim/host.h"
#include "hostsim/text.h"
#include "plugin/entry.h"
#include "tools/gen/lem_sheet.h"

namespace {

using hostsim::Call;

class OpenCommand : public ::testing::Test {
protected:
    void SetUp() override {
        hostsim::Reset();
        host().Desktop().SetMainWindow(reinterpret_cast<void*>(0x5150));
        host().Maps().SetActiveView(7);
    }
    void TearDown() override {
        Release();
        hostsim::Reset();
    }
    static hostsim::Host& host() { return hostsim::Get(); }
    hostsim::DriveRoot root;
};

TEST_F(OpenCommand, OkOpensTheChosenPathInTheActiveView) {
    host().Desktop().AnswerOpenDialog({1, "C:\\V\\LEM\\Abc.lem"});
    EXPECT_EQ(plugin::RunOpenCommand(), 0);

    EXPECT_EQ(host().Log().Names(Call::Kind::Host),
              (std::vector<std::string>{"OLX_GetMainWnd", "OLX_GetActiveView", "OLX_OpenMap"}));
    // The dialog's parent is the host's main window.
    const std::vector<Call> dialogs = host().Log().Calls("open dialog");
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].args, hostsim::text::Ptr(reinterpret_cast<void*>(0x5150)));

    ASSERT_EQ(host().Maps().OpenRequests().size(), 1u);
    const hostsim::OpenRequest& request = host().Maps().OpenRequests()[0];
    EXPECT_EQ(request.view, 7u);
    EXPECT_EQ(request.size, 56);
    EXPECT_EQ(request.path, std::optional<std::string>("C:\\V\\LEM\\Abc.lem"));
    EXPECT_EQ(request.flag, 0);
    EXPECT_EQ(request.zero32, 0);
    EXPECT_EQ(request.zero40, 0);
}

TEST_F(OpenCommand, CancelOpensNothing) {
    host().Desktop().AnswerOpenDialog({2, ""});
    EXPECT_EQ(plugin::RunOpenCommand(), 0);
    EXPECT_EQ(host().Log().Names(Call::Kind::Host), (std::vector<std::string>{"OLX_GetMainWnd"}));
    EXPECT_TRUE(host().Maps().OpenRequests().empty());
}

TEST_F(OpenCommand, AnOverlongPathFromTheDialogIsNotHandedOn) {
    host().Desktop().AnswerOpenDialog({1, "C:\\" + std::string(257, 'x')});  // 260 bytes
    EXPECT_EQ(plugin::RunOpenCommand(), 0);
    EXPECT_TRUE(host().Maps().OpenRequests().empty());
}

// The menu entry through the map-type procedure: the host opens the sheet before OLX_OpenMap
// returns, reading the path the module handed over while the module runs the open messages.
TEST_F(OpenCommand, MenuEntryOpensTheSheetThroughTheMapType) {
    gen::LemSheetOptions options;
    options.cols = 40;
    options.rows = 30;
    options.name = "Abc";
    options.title = "試験";
    const gen::LemSheet sheet = gen::MakeLemSheet(options);
    ASSERT_TRUE(gen::WriteLemSheetAt(sheet, "C:\\V"));
    constexpr uint32_t kPluginId = 3;
    std::array<uint8_t, plugin::kInfoRecordSize> info{};
    ASSERT_EQ(Create(info.data(), kPluginId), 1);
    ASSERT_EQ(Load(), 1);
    host().Profiles().SetInt(kPluginId, "DCMView", 1);  // no composite dialog at the open
    host().Log().Clear();

    host().Desktop().AnswerOpenDialog({1, "C:\\V\\LEM\\Abc.lem"});
    const int32_t menu = host().Registry().FindMenu(plugin::kMapMenuText);
    ASSERT_NE(menu, 0);
    EXPECT_EQ(host().Registry().FireMenu(menu, 100), 0);

    const std::vector<Call> opens = host().Log().Calls("OLX_OpenMap");
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(opens[0].result, "1");
    const std::vector<hostsim::OpenMap> maps = host().Maps().OpenMaps();
    ASSERT_EQ(maps.size(), 1u);
    EXPECT_EQ(maps[0].path, "C:\\V\\LEM\\Abc.lem");
    EXPECT_EQ(maps[0].described, 1);
    EXPECT_EQ(maps[0].title, std::string("火山標高 試験"));

    // The opened map draws: the block at the sheet's south-west corner (the sheet lies
    // 320 x (256 div 2) cells in from the whole map's edges) holds the sheet's elevations.
    std::vector<int16_t> block(320 * 320, 0);
    ASSERT_EQ(host().Maps().ReadBlock(maps[0].handle, CellToTileId(40960, 40960), block.data()), 1);
    int compared = 0;
    for (int r = 0; r < options.rows; ++r) {
        for (int k = 0; k < options.cols; ++k) {
            int16_t metres = 0;
            if (!gen::LemSheet::Metres(sheet.At(options.rows - 1 - r, k), &metres)) continue;
            ASSERT_EQ(block[static_cast<size_t>(r) * 320 + k], metres) << r << "," << k;
            ++compared;
        }
    }
    EXPECT_GT(compared, options.rows * options.cols / 2);
}

}  // namespace
