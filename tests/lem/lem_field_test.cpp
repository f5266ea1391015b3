// The field conversion against the library's own decimal conversion of the same five
// characters taken as a terminated string, over every field built from a small alphabet
// that covers blanks, signs, digits, other white space, letters and the terminator.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "lem/field.h"

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

}  // namespace
