// Attaching a 50 m source to a map and converting the map's corner into the source's datum.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/dcm_elevation.h"
#include "base/xem_elevation.h"
#include "hostsim/datum.h"
#include "hostsim/drive_root.h"
#include "hostsim/host.h"
#include "lem/lem_map.h"
#include "tests/support/result_printer.h"
#include "tools/gen/dcm_writer.h"

namespace {

// The guidebook set identifier that the host fills.
uint8_t g_setId[kGuidebookSetIdSize];

constexpr char kPath[] = "C:\\DEM\\LAND.DCM";

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        hostsim::Reset();
        map.OriginLat = 35.25;
        map.OriginLon = 138.5;
        map.SourceOrigin = tagGEOPOS{-1, -1};
    }
    void TearDown() override { hostsim::Reset(); }

    hostsim::DriveRoot root;
    CLemMap map;
};

TEST_F(LinkTest, DcmDatumDecidesTheConversion) {
    struct Case {
        const char* datum;
        int32_t code;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"", 1, {"OLX_ConvertDatum"}},
        {"JGD2000", hostsim::kDatumJgd2000, {"OLX_GetDatumbyShortString", "OLX_ConvertDatum"}},
        {"TOKYO", hostsim::kDatumTokyo, {"OLX_GetDatumbyShortString", "OLX_ConvertDatum"}},
    };
    for (const Case& c : cases) {
        hostsim::Get().Log().Clear();
        root.Write(kPath, gen::BuildDcm(gen::LayoutForBox(35.2, 138.4, 35.4, 138.6, 2400, 1800, c.datum)).bytes);
        ASSERT_EQ((map.LinkDcm(kPath)).status, platform::Status::kOk) << c.datum;
        EXPECT_EQ(hostsim::Get().Log().Names(hostsim::Call::Kind::Host), c.calls) << c.datum;
        if (*c.datum != '\0') {
            EXPECT_EQ(hostsim::Get().Log().Calls("OLX_GetDatumbyShortString")[0].args,
                      std::string("\"") + c.datum + "\"");
        }
        const auto convert = hostsim::Get().Log().Calls("OLX_ConvertDatum");
        ASSERT_EQ(convert.size(), 1u);
        EXPECT_EQ(convert[0].args, "(35.25, 138.5), out, 1, " + std::to_string(c.code)) << c.datum;
        tagGEOPOS expected{};
        ASSERT_TRUE(hostsim::ConvertDatum(tagGEOPOS{35.25, 138.5}, expected, 1, c.code));
        EXPECT_EQ(map.SourceOrigin.lat, expected.lat) << c.datum;
        EXPECT_EQ(map.SourceOrigin.lon, expected.lon) << c.datum;
    }
    // Tokyo to JGD2000 moves the corner by hundreds of metres; it is not left unchanged.
    root.Write(kPath, gen::BuildDcm(gen::LayoutForBox(35.2, 138.4, 35.4, 138.6, 2400, 1800, "JGD2000")).bytes);
    ASSERT_EQ((map.LinkDcm(kPath)).status, platform::Status::kOk);
    EXPECT_NE(map.SourceOrigin.lat, 35.25);
}

TEST_F(LinkTest, DcmThatCannotBeOpenedStaysAttachedWithoutConversion) {
    root.Write(kPath, std::vector<uint8_t>{'B', 'E', 'V', 'M', 1, 0});
    EXPECT_FALSE(map.LinkDcm(kPath));
    ASSERT_NE(map.SourceAs<CDcmElevation>(), nullptr);
    EXPECT_FALSE(map.SourceAs<CDcmElevation>()->Ready());
    EXPECT_EQ(hostsim::Get().Log().Count("OLX_ConvertDatum"), 0);
    EXPECT_EQ(map.SourceOrigin.lat, -1);
    const std::string tooLong = "C:\\" + std::string(252, 'D') + "\\A.DCM";
    EXPECT_FALSE(map.LinkDcm(tooLong.c_str()));

    // The same object serves a later link.
    const CDcmElevation* first = map.SourceAs<CDcmElevation>();
    root.Write(kPath, gen::BuildDcm(gen::LayoutForBox(35.2, 138.4, 35.4, 138.6)).bytes);
    EXPECT_EQ((map.LinkDcm(kPath)).status, platform::Status::kOk);
    EXPECT_EQ(map.SourceAs<CDcmElevation>(), first);
    EXPECT_TRUE(map.SourceAs<CDcmElevation>()->Ready());
}

TEST_F(LinkTest, GuidebookConvertsIntoTheSetDatum) {
    hostsim::Get().Guidebook().SetSource(hostsim::MakeSetInfo(35.0, 138.0, 2400, 1800, hostsim::kDatumJgd2000),
                                         [](int32_t, int16_t*) { return false; });
    MakeGuidebookSetId(g_setId, 1);
    hostsim::Get().Log().Clear();
    ASSERT_EQ((map.LinkXem(g_setId, "GUIDEDEM")).status, platform::Status::kOk);
    ASSERT_NE(map.SourceAs<CXemElevation>(), nullptr);
    EXPECT_EQ(hostsim::Get().Log().Names(hostsim::Call::Kind::Host),
              (std::vector<std::string>{"OLX_XEM_Open", "OLX_XEM_GetMapsetInfo", "OLX_ConvertDatum"}));
    EXPECT_EQ(hostsim::Get().Log().Calls("OLX_ConvertDatum")[0].args, "(35.25, 138.5), out, 1, 2");
    tagGEOPOS expected{};
    ASSERT_TRUE(hostsim::ConvertDatum(tagGEOPOS{35.25, 138.5}, expected, 1, 2));
    EXPECT_EQ(map.SourceOrigin.lat, expected.lat);
    EXPECT_EQ(map.SourceOrigin.lon, expected.lon);
}

TEST_F(LinkTest, GuidebookThatCannotBeOpenedStaysAttachedWithoutConversion) {
    MakeGuidebookSetId(g_setId, 1);
    hostsim::Get().Log().Clear();
    EXPECT_FALSE(map.LinkXem(g_setId, "GUIDEDEM"));
    ASSERT_NE(map.SourceAs<CXemElevation>(), nullptr);
    EXPECT_EQ(map.SourceAs<CXemElevation>()->Handle(), 0u);
    EXPECT_EQ(hostsim::Get().Log().Count("OLX_ConvertDatum"), 0);
    EXPECT_EQ(map.SourceOrigin.lat, -1);
}

TEST_F(LinkTest, LinkOfAnotherKindReplacesTheSource) {
    root.Write(kPath, gen::BuildDcm(gen::LayoutForBox(35.2, 138.4, 35.4, 138.6)).bytes);
    ASSERT_EQ((map.LinkDcm(kPath)).status, platform::Status::kOk);
    MakeGuidebookSetId(g_setId, 1);
    EXPECT_FALSE(map.LinkXem(g_setId, "GUIDEDEM"));  // no set in this host: attached unopened
    EXPECT_EQ(map.SourceAs<CDcmElevation>(), nullptr);
    ASSERT_NE(map.SourceAs<CXemElevation>(), nullptr);
    EXPECT_EQ(map.SourceAs<CXemElevation>()->Handle(), 0u);
}

}  // namespace
