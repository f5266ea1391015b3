#include <gtest/gtest.h>

#include <cmath>

#include "hostsim/host.h"
#include "olx/host_interface.h"

namespace {

double Dms(double d, double m, double s) {
    return d + m / 60.0 + s / 3600.0;
}

// Ground distance in metres between two nearby positions.
double Metres(const tagGEOPOS& a, const tagGEOPOS& b) {
    const double north = (a.lat - b.lat) * 110940.0;
    const double east = (a.lon - b.lon) * 110940.0 * std::cos(a.lat * 3.14159265358979 / 180.0);
    return std::hypot(north, east);
}

class DatumTest : public ::testing::Test {
protected:
    void SetUp() override { hostsim::Reset(); }
};

TEST_F(DatumTest, ShortNamesGiveCodesAndUnknownNamesAreLogged) {
    struct Case {
        const char* name;
        int32_t code;
    };
    for (const Case& c :
         {Case{"TOKYO", 1}, Case{"JGD2000", 2}, Case{"WGS84", 3}, Case{"tokyo", 0}, Case{"NAD27", 0}, Case{"", 0}}) {
        EXPECT_EQ(OLX_GetDatumbyShortString(c.name), c.code) << c.name;
    }
    EXPECT_EQ(OLX_GetDatumbyShortString(nullptr), 0);
    const auto calls = hostsim::Get().Log().Calls("OLX_GetDatumbyShortString");
    ASSERT_EQ(calls.size(), 7u);
    EXPECT_EQ(calls[4].args, "\"NAD27\"");
    EXPECT_EQ(calls[4].result, "0");
    EXPECT_EQ(calls[6].args, "null");
}

// The origin of the Japanese geodetic datum at Azabu, Tokyo, in both systems.
TEST_F(DatumTest, TokyoToJgd2000MatchesTheDatumOriginWithinAMetre) {
    const tagGEOPOS tokyo{Dms(35, 39, 17.5148), Dms(139, 44, 40.5020)};
    const tagGEOPOS jgd{Dms(35, 39, 29.1572), Dms(139, 44, 28.8759)};
    tagGEOPOS out{};
    ASSERT_EQ(OLX_ConvertDatum(&tokyo, &out, 1, 2), 1);
    EXPECT_LT(Metres(out, jgd), 1.0);
    // The shift near Tokyo: about +0.0032 deg in latitude, -0.0032 deg in longitude.
    EXPECT_NEAR(out.lat - tokyo.lat, 0.00323, 0.0001);
    EXPECT_NEAR(out.lon - tokyo.lon, -0.00323, 0.0001);

    tagGEOPOS wgs{};
    ASSERT_EQ(OLX_ConvertDatum(&tokyo, &wgs, 1, 3), 1);
    EXPECT_EQ(wgs.lat, out.lat);
    EXPECT_EQ(wgs.lon, out.lon);
}

TEST_F(DatumTest, RoundTripReturnsThePointAndBackConversionIsTheInverse) {
    for (const tagGEOPOS p :
         {tagGEOPOS{35.3625, 138.7275}, tagGEOPOS{43.0, 141.3}, tagGEOPOS{26.2, 127.7}, tagGEOPOS{32.7, 129.9}}) {
        tagGEOPOS there{}, back{};
        ASSERT_EQ(OLX_ConvertDatum(&p, &there, 1, 2), 1);
        ASSERT_EQ(OLX_ConvertDatum(&there, &back, 2, 1), 1);
        EXPECT_GT(Metres(p, there), 300.0);  // a real shift, hundreds of metres in Japan
        EXPECT_LT(Metres(p, there), 600.0);
        EXPECT_NEAR(back.lat, p.lat, 1e-9);
        EXPECT_NEAR(back.lon, p.lon, 1e-9);
    }
}

TEST_F(DatumTest, EqualCodesAndGrs80PairsAreIdentity) {
    const tagGEOPOS p{35.5, 138.5};
    for (auto [from, to] : {std::pair{1, 1}, std::pair{2, 2}, std::pair{2, 3}, std::pair{3, 2}}) {
        tagGEOPOS out{0, 0};
        ASSERT_EQ(OLX_ConvertDatum(&p, &out, from, to), 1);
        EXPECT_EQ(out.lat, p.lat);
        EXPECT_EQ(out.lon, p.lon);
    }
}

TEST_F(DatumTest, ConversionInPlaceUsesTheInputBeforeWritingIt) {
    tagGEOPOS p{35.5, 138.5};
    tagGEOPOS expected{};
    ASSERT_EQ(OLX_ConvertDatum(&p, &expected, 1, 2), 1);
    ASSERT_EQ(OLX_ConvertDatum(&p, &p, 1, 2), 1);
    EXPECT_EQ(p.lat, expected.lat);
    EXPECT_EQ(p.lon, expected.lon);
}

TEST_F(DatumTest, UnknownCodeOrNullAddressAnswersZero) {
    const tagGEOPOS p{35.5, 138.5};
    tagGEOPOS out{1, 2};
    EXPECT_EQ(OLX_ConvertDatum(&p, &out, 1, 0), 0);
    // The position passes unchanged so a caller that ignores the result stays sane.
    EXPECT_EQ(out.lat, 35.5);
    EXPECT_EQ(out.lon, 138.5);
    EXPECT_EQ(OLX_ConvertDatum(&p, &out, 7, 1), 0);
    EXPECT_EQ(OLX_ConvertDatum(nullptr, &out, 1, 2), 0);
    EXPECT_EQ(OLX_ConvertDatum(&p, nullptr, 1, 2), 0);
    const auto calls = hostsim::Get().Log().Calls("OLX_ConvertDatum");
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].args, "(35.5, 138.5), out, 1, 0");
    EXPECT_EQ(calls[0].result, "0");
}

}  // namespace
