#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "hostsim/control_api.h"
#include "hostsim/host.h"
#include "olx/host_interface.h"

namespace {

int32_t OLX_CALL TakeEverything(int32_t code, uint32_t, intptr_t param) {
    if (code == olx::kMsgRecognise || code == olx::kMsgOpen) return 1;
    if (code == olx::kMsgDescribe) {
        auto* info = olx::FromParam<tagMAPINFO>(param);
        info->size = 72;
        info->title = "Title";
        info->width = 640;
        return 1;
    }
    if (code == olx::kMsgReadBlock) {
        olx::FromParam<tagBLOCKREQUEST>(param)->values[0] = 42;
        return 1;
    }
    return code == olx::kMsgClose ? 1 : 0;
}

class ControlApiTest : public ::testing::Test {
protected:
    void SetUp() override { HostSim_Reset(); }
};

TEST_F(ControlApiTest, LogTextIsCopiedWholeOrCutWithItsFullLengthReported) {
    HostSim_SetVersion(7729);
    EXPECT_EQ(OLX_GetVersion(), 7729);
    (void)OLX_GetProfileInt(1, "Region", 256);
    const std::string expected =
        "host OLX_GetVersion() -> 7729\n"
        "host OLX_GetProfileInt(1, \"Region\", 256) -> 256\n";
    std::vector<char> buffer(200, 'x');
    EXPECT_EQ(HostSim_GetLog(buffer.data(), static_cast<int32_t>(buffer.size())),
              static_cast<int32_t>(expected.size()));
    EXPECT_EQ(std::string(buffer.data()), expected);

    char small[8];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(HostSim_GetLog(small, sizeof small), static_cast<int32_t>(expected.size()));
    EXPECT_EQ(std::string(small), expected.substr(0, 7));
    EXPECT_EQ(HostSim_GetLog(nullptr, 0), static_cast<int32_t>(expected.size()));
    EXPECT_EQ(HostSim_CountCalls("OLX_GetVersion"), 1);
    HostSim_ClearLog();
    EXPECT_EQ(HostSim_GetLog(nullptr, 0), 0);
}

TEST_F(ControlApiTest, MapsOpenReadAndCloseThroughTheCFunctions) {
    tagHOOKENTRY entry{16, 0, TakeEverything, 0};
    ASSERT_NE(OLX_RegisterMap(&entry), 0);
    EXPECT_EQ(HostSim_MapTypeCount(), 1);
    HostSim_SetNextHandle(160);
    const uint32_t h = HostSim_OpenMap("C:\\A.LEM");
    ASSERT_EQ(h, 160u);
    tagMAPINFO info{};
    ASSERT_EQ(HostSim_GetMapInfo(h, &info), 1);
    EXPECT_EQ(info.width, 640);
    char title[4];
    EXPECT_EQ(HostSim_GetMapTitle(h, title, sizeof title), 5);
    EXPECT_STREQ(title, "Tit");
    std::vector<int16_t> block(olx::kBlockCells);
    EXPECT_EQ(HostSim_ReadBlock(h, 100, block.data()), 1);
    EXPECT_EQ(block[0], 42);
    EXPECT_EQ(HostSim_CloseMap(h), 1);
    EXPECT_EQ(HostSim_GetMapInfo(h, &info), 0);
    EXPECT_EQ(HostSim_GetMapTitle(h, title, sizeof title), -1);
}

TEST_F(ControlApiTest, ProfileAndViewSettersReachTheHostFunctions) {
    HostSim_SetProfileInt(3, "LinkDCM", 1);
    HostSim_SetProfileString(3, "DCMFile", "C:\\x.dcm");
    EXPECT_EQ(OLX_GetProfileInt(3, "LinkDCM", 0), 1);
    char text[64];
    EXPECT_EQ(HostSim_GetProfile(3, "DCMFile", text, sizeof text), 8);
    EXPECT_STREQ(text, "C:\\x.dcm");
    EXPECT_EQ(HostSim_GetProfile(3, "Absent", text, sizeof text), -1);

    HostSim_SetActiveView(2);
    HostSim_SetViewCenter(2, 35.0, 138.0);
    HostSim_SetActiveBaseMap(16);
    HostSim_SetMapgroupFile(16, "C:\\g.grp");
    HostSim_SetActiveCoverMap(32);
    HostSim_SetMatIndex(32, 5);
    tagGEOPOS c{};
    EXPECT_EQ(OLX_GetViewCenter(OLX_GetActiveView(), &c), 1);
    EXPECT_EQ(c.lon, 138.0);
    EXPECT_STREQ(OLX_GetMapgroupFile(OLX_GetActiveBaseMap()), "C:\\g.grp");
    EXPECT_EQ(OLX_GetMatIndex(OLX_GetActiveCoverMap()), 5);
    (void)OLX_ClearAllViewCache();
    EXPECT_EQ(HostSim_ViewCacheClears(), 1);
}

TEST_F(ControlApiTest, ConstantGuidebookServesOneValue) {
    HostSim_SetGuidebookConstant(35, 138, 2400, 1800, 1, 123);
    uint8_t id[12];
    const tagMAPSETIDINFO request = hostsim::GuidebookIdInfo(1);
    ASSERT_EQ(OLX_MakeMapSetID(id, &request), 1);
    const uint32_t h = OLX_XEM_Open(id, "GUIDEDEM");
    ASSERT_NE(h, 0u);
    std::vector<int16_t> tile(olx::kBlockCells);
    ASSERT_EQ(OLX_XEM_DecodeRealBlock(h, 100, tile.data()), 1);
    EXPECT_EQ(tile[0], 123);
    EXPECT_EQ(tile[olx::kBlockCells - 1], 123);
    (void)OLX_XEM_Close(h);
    HostSim_RemoveGuidebook();
    EXPECT_EQ(OLX_XEM_Open(id, "GUIDEDEM"), 0u);
}

}  // namespace
