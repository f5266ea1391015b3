// The renderer's command line and the texts it prints or draws.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/render/options.h"
#include "tools/render/picture.h"
#include "tools/render/text_utf8.h"

namespace {

std::string U8(const char8_t* s) {
    return reinterpret_cast<const char*>(s);
}

TEST(EscapeForTerminal, KeepsTextAndEscapesWhatCouldSteerATerminal) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"plain title", "plain title"},
        {U8(u8"富士山 平成新山"), U8(u8"富士山 平成新山")},
        {"a\x1b[2Jb", "a\\x1b[2Jb"},  // ESC: clears the screen
        {"bell\x07", "bell\\x07"},
        {"cr\rlf\n", "cr\\x0dlf\\x0a"},
        {"del\x7f", "del\\x7f"},
        {"\xc2\x9b"
         "31m",
         "\\xc2\\x9b31m"},                    // U+009B, the one-byte CSI
        {"\xc2\xa0", "\xc2\xa0"},             // U+00A0 is text
        {"\xe3\x81", "\\xe3\\x81"},           // cut short
        {"\xc0\x9b", "\\xc0\\x9b"},           // overlong
        {"\xed\xa0\x80", "\\xed\\xa0\\x80"},  // a surrogate
        {"\x83\x8c", "\\x83\\x8c"},           // code page 932 bytes are not UTF-8
    };
    for (const auto& c : cases) EXPECT_EQ(render::EscapeForTerminal(c.in), c.out) << c.in;
}

TEST(Dms, RoundsOnceToTenthsOfASecond) {
    const struct {
        double degrees;
        char pos, neg;
        std::string out;
    } cases[] = {
        {35.5, 'N', 'S', U8(u8"35°30′00.0″N")},
        {138.0 + 59.0 / 60 + 59.96 / 3600, 'E', 'W', U8(u8"139°00′00.0″E")},  // never 60.0″
        {-33.25, 'N', 'S', U8(u8"33°15′00.0″S")},
        {35 + 17.0 / 60 + 7.6 / 3600, 'N', 'S', U8(u8"35°17′07.6″N")},
    };
    for (const auto& c : cases) EXPECT_EQ(render::Dms(c.degrees, c.pos, c.neg), c.out) << c.degrees;
}

std::string Parse(std::vector<const char*> args, render::Options& o) {
    args.insert(args.begin(), "tephrix-render");
    return render::ParseOptions(static_cast<int>(args.size()), const_cast<char**>(args.data()), o);
}

TEST(RenderOptions, RefusalsNameTheOptionAndWhatItTakes) {
    const struct {
        std::vector<const char*> args;
        std::string message;
    } cases[] = {
        {{"--ring", "65", "S.LEM"}, "--ring: '65' is not a whole number from 0 to 64"},
        {{"--ring", "-1", "S.LEM"}, "--ring: '-1' is not a whole number from 0 to 64"},
        {{"--scale", "99999999999999999999", "S.LEM"},
         "--scale: '99999999999999999999' is not a whole number from 1 to 256"},
        {{"--scale", " 2", "S.LEM"}, "--scale: ' 2' is not a whole number from 1 to 256"},
        {{"--region", "4097", "S.LEM"}, "--region: '4097' is not a whole number from 0 to 4096"},
        {{"--max-memory", "63", "S.LEM"}, "--max-memory: '63' is not a whole number from 64 to 1048576"},
        {{"--range", "0", "S.LEM"}, "--range MAX: 'S.LEM' is not a whole number from -1000 to 9000"},
        {{"--range", "100", "100", "S.LEM"}, "--range: MAX (100) must be above MIN (100)"},
        {{"--range", "0", "10", "--auto-range", "S.LEM"}, "--range and --auto-range exclude each other"},
        {{"--ring", "3", "--region", "5", "S.LEM"},
         "--ring 3 does not fit in --region 5: the ring may be at most region / 2"},
        {{"--composite", "dcm"}, "--composite dcm needs the DCM file"},
        {{"--out"}, "--out needs a file name"},
        {{"A.LEM", "B.LEM"}, "one SHEET only; 'B.LEM' is a second"},
        {{"--x\x1b[1m"}, "unknown option '--x\\x1b[1m'"},
        {{}, "SHEET is missing: give the .LEM file"},
    };
    for (const auto& c : cases) {
        render::Options o;
        EXPECT_EQ(Parse(c.args, o), c.message);
    }
}

TEST(RenderOptions, DefaultsAndTheOutputNameFollowTheFormat) {
    render::Options png, tif, about;
    EXPECT_EQ(Parse({"S.LEM"}, png), "");
    EXPECT_EQ(png.out, "out/render.png");
    EXPECT_EQ(png.ring, 1);
    EXPECT_EQ(png.region, 256);
    EXPECT_EQ(png.rangeMin, 0);
    EXPECT_EQ(png.rangeMax, 3800);
    EXPECT_EQ(Parse({"--format", "gtiff", "--composite", "dcm", "D.DCM", "S.LEM"}, tif), "");
    EXPECT_EQ(tif.out, "out/render.tif");
    EXPECT_EQ(tif.source, render::Source::Dcm);
    EXPECT_EQ(tif.dcm, "D.DCM");
    EXPECT_EQ(Parse({"--about"}, about), "");  // the sheet may be left out
}

}  // namespace
