// The field conversion against the library's own decimal conversion of the same five
// characters taken as a terminated string, over every field built from a small alphabet
// that covers blanks, signs, digits, other white space, letters and the terminator.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <random>
#include <vector>
#include <string>

#include "lem/field.h"
#include "lem/field_row.h"

namespace {

TEST(LemField, AgreesWithDecimalConversionOnEveryFieldOfTheAlphabet) {
    const char alphabet[] = {' ', '-', '+', '0', '1', '5', '9', 'a', '\t', '\0', '\x95', ':', '/'};
    constexpr int kSize = sizeof alphabet;
    char field[8] = {};
    for (int a = 0; a < kSize; ++a)
        for (int b = 0; b < kSize; ++b)
            for (int c = 0; c < kSize; ++c)
                for (int d = 0; d < kSize; ++d)
                    for (int e = 0; e < kSize; ++e) {
                        field[0] = alphabet[a];
                        field[1] = alphabet[b];
                        field[2] = alphabet[c];
                        field[3] = alphabet[d];
                        field[4] = alphabet[e];
                        // Bytes after the field must not matter.
                        std::memcpy(field + 5, "987", 3);
                        char terminated[6];
                        std::memcpy(terminated, field, 5);
                        terminated[5] = '\0';
                        const long expected = std::strtol(terminated, nullptr, 10);
                        ASSERT_EQ(lem::ParseField(field), expected) << '"' << std::string(field, 5) << '"';
                        ASSERT_EQ(lem::ParseFieldExact(field), expected) << '"' << std::string(field, 5) << '"';
                    }
}

// Runs of fields as ReadBlock converts them: well-formed runs take a fast path, and one odd
// field anywhere in the run (at the start, inside a 16-byte chunk, across a chunk boundary, in
// the last partial chunk) must still come out exactly as the field-by-field conversion.
struct RowCase {
    const char* name;
    int count;
    int oddAt;  // field replaced by `odd`, or -1
    const char* odd;
};

class LemFieldRow : public ::testing::TestWithParam<RowCase> {};

const char* PathName(lem::FieldRowPath path) {
    switch (path) {
        case lem::FieldRowPath::kBest: return "";
        case lem::FieldRowPath::kSsse3: return ", SSSE3 path";
        case lem::FieldRowPath::kSse2: return ", SSE2 path";
    }
    return "";
}

// Where a row's negative values lie: scattered over it, nowhere, or in one stretch (a lake or
// the edge of the surveyed area crossing the row) with plain values on both sides.
enum class Negatives { kScattered, kNone, kStretch };

const char* NegativesName(Negatives n) {
    switch (n) {
        case Negatives::kScattered: return "";
        case Negatives::kNone: return ", no negatives";
        case Negatives::kStretch: return ", negatives in one stretch";
    }
    return "";
}

// Rows with and without negative values take different fast paths; each is checked on every
// path this processor can run, for the values and for the metres made straight from the text.
TEST_P(LemFieldRow, AgreesWithTheFieldConversion) {
    const RowCase& c = GetParam();
    for (const Negatives negatives : {Negatives::kScattered, Negatives::kNone, Negatives::kStretch}) {
        for (const lem::FieldRowPath path :
             {lem::FieldRowPath::kBest, lem::FieldRowPath::kSsse3, lem::FieldRowPath::kSse2}) {
            std::mt19937 rng(1234);
            for (int round = 0; round < 200; ++round) {
                std::string text;
                const int stretchAt = c.count > 0 ? static_cast<int>(rng() % static_cast<unsigned>(c.count)) : 0;
                const int stretchEnd = stretchAt + 1 + static_cast<int>(rng() % 120);
                for (int k = 0; k < c.count; ++k) {
                    char field[16];
                    const int pick = static_cast<int>(rng() % 10);
                    int value = pick == 0   ? -9999
                                : pick == 1 ? -1111
                                : pick == 2 ? -static_cast<int>(rng() % 1000)
                                : pick == 3 ? static_cast<int>(rng() % 100)
                                            : static_cast<int>(rng() % 99999);
                    const bool inStretch = k >= stretchAt && k < stretchEnd;
                    if (negatives == Negatives::kNone && value < 0) value = -value;
                    if (negatives == Negatives::kStretch)
                        value = !inStretch ? std::abs(value) : pick % 2 ? -9999 : -1 - std::abs(value) % 999;
                    std::snprintf(field, sizeof field, "%5d", value);
                    text.append(field, 5);
                }
                if (c.oddAt >= 0) text.replace(static_cast<size_t>(5 * c.oddAt), 5, c.odd, 5);
                text.append("\r\n\0", 3);
                std::vector<int32_t> got(static_cast<size_t>(c.count) + 1, 0x5A5A5A5A);
                lem::ParseFieldRow(text.data(), c.count, got.data(), path);
                for (int k = 0; k < c.count; ++k)
                    ASSERT_EQ(got[static_cast<size_t>(k)], lem::ParseFieldExact(text.data() + 5 * k))
                        << c.name << NegativesName(negatives) << PathName(path) << ", field " << k << " \""
                        << text.substr(static_cast<size_t>(5 * k), 5) << '"';
                EXPECT_EQ(got[static_cast<size_t>(c.count)], 0x5A5A5A5A) << "written past the run";

                // Straight to metres: what StoreMetres makes of the fields, the same cells marked
                // as written and the same cells reported kept.
                std::vector<int16_t> want(static_cast<size_t>(c.count) + 1, 0x3C3C), metres = want;
                std::vector<uint64_t> wantPlaced(6, 0), placed(6, 0);
                const lem::KeptCells wantKept = lem::StoreMetres(got.data(), c.count, want.data(), wantPlaced.data());
                const lem::KeptCells kept =
                    lem::StoreFieldRow(text.data(), c.count, metres.data(), placed.data(), path);
                ASSERT_EQ(metres, want) << c.name << NegativesName(negatives) << PathName(path);
                ASSERT_EQ(placed, wantPlaced) << c.name << NegativesName(negatives) << PathName(path);
                ASSERT_EQ(kept.first, wantKept.first) << c.name << PathName(path);
                ASSERT_EQ(kept.end, wantKept.end) << c.name << PathName(path);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, LemFieldRow,
    ::testing::Values(
        RowCase{"empty", 0, -1, ""}, RowCase{"one field", 1, -1, ""}, RowCase{"a block row", 320, -1, ""},
        RowCase{"partial last chunk", 7, -1, ""}, RowCase{"digit then blank at the start", 320, 0, "12 34"},
        RowCase{"minus after digits in chunk one", 320, 2, "12-34"}, RowCase{"plus sign", 320, 50, "  +12"},
        RowCase{"field across a chunk boundary", 320, 3, "9 999"}, RowCase{"two minus signs", 320, 100, "--123"},
        RowCase{"minus then blank", 320, 101, "- 123"}, RowCase{"letter in the last field", 320, 319, "12a45"},
        RowCase{"tab as leading space", 320, 160, "\t  12"}, RowCase{"lone minus", 13, 12, "    -"},
        RowCase{"double-byte lead byte", 320, 200,
                "\x95\x5C"
                "123"},
        RowCase{"odd field in a short run", 7, 6, "1 2 3"}, RowCase{"blank field", 320, 77, "     "},
        RowCase{"byte below the digits", 320, 33, "/1234"}, RowCase{"byte above the digits", 320, 34, "1234:"},
        RowCase{"minus in the first group", 9, 1, "   -5"},
        RowCase{"odd field in the second group of a pair", 320, 47, "1-234"},
        RowCase{"odd field in the last pair", 320, 287, "12 34"}, RowCase{"one pair and one field", 33, -1, ""},
        RowCase{"odd field after a pair", 65, 40, "  - 1"},
        RowCase{"blank after digit in the last group", 9, 8, "123 4"},
        RowCase{"control byte leading a field", 320, 250,
                "\x10"
                "  12"},
        RowCase{"NUL field", 320, 20, "\0\0\0\0\0"}),
    [](const ::testing::TestParamInfo<RowCase>& info) {
        std::string name;
        for (const char* p = info.param.name; *p; ++p) name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return name;
    });

TEST(LemStoreMetres, RoundsLikeCDivisionAndKeepsTheBaseUnderNoData) {
    // Every value a five-character field can hold, then runs that end inside and outside the
    // eight-value steps.
    std::vector<int32_t> values;
    for (int32_t v = -9999; v <= 99999; ++v) values.push_back(v);
    for (size_t count : {values.size(), size_t{0}, size_t{1}, size_t{7}, size_t{8}, size_t{9}, size_t{17}}) {
        std::vector<int16_t> out(values.size() + 1, 0x1234);
        // The cells written are marked in placed; the mark of a cell beyond the run stays.
        std::vector<uint64_t> placed(values.size() / 64 + 2, 0);
        placed[count / 64] |= uint64_t{1} << (count % 64);
        lem::StoreMetres(values.data(), static_cast<int>(count), out.data(), placed.data());
        for (size_t k = 0; k < values.size() + 1; ++k) {
            int16_t expected = 0x1234;
            const bool written = k < count && values[k] != -9999 && values[k] != -1111;
            if (written) expected = static_cast<int16_t>((values[k] + 5) / 10);
            ASSERT_EQ(out[k], expected) << "value " << (k < values.size() ? values[k] : 0) << " at " << k << " of "
                                        << count;
            ASSERT_EQ((placed[k / 64] >> (k % 64)) & 1u, written || k == count ? 1u : 0u)
                << "mark at " << k << " of " << count;
        }
    }
}

// Which cells StoreMetres kept, for runs that end inside and outside its eight-value steps.
TEST(LemStoreMetres, ReportsTheCellsItKept) {
    struct Case {
        int count;
        std::vector<int> marks;
        lem::KeptCells expected;
    };
    const Case cases[] = {
        {320, {}, {0, 0}},        {320, {0}, {0, 1}},      {320, {7}, {7, 8}},
        {320, {8}, {8, 9}},       {320, {5, 13}, {5, 14}}, {320, {3, 310}, {3, 311}},
        {320, {319}, {319, 320}}, {13, {12}, {12, 13}},    {13, {2, 12}, {2, 13}},
        {13, {13}, {0, 0}},       {0, {0}, {0, 0}},        {320, {100, 101, 102}, {100, 103}},
    };
    for (const Case& c : cases) {
        std::vector<int32_t> values(321, 123);
        for (size_t i = 0; i < c.marks.size(); ++i) values[static_cast<size_t>(c.marks[i])] = i % 2 ? -1111 : -9999;
        std::vector<int16_t> out(321, 0);
        const lem::KeptCells kept = lem::StoreMetres(values.data(), c.count, out.data());
        const int firstMark = c.marks.empty() ? -1 : c.marks[0];
        EXPECT_EQ(kept.first, c.expected.first) << c.count << " cells, first mark " << firstMark;
        EXPECT_EQ(kept.end, c.expected.end) << c.count << " cells, first mark " << firstMark;
    }
}

}  // namespace
