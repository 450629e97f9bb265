#include "pixel_pairs.h"

#include <gtest/gtest.h>

#include <vector>

#include "test_support.h"

namespace {

using Split = void (*)(const uint8_t*, uint8_t*, uint8_t*, int);

struct Form {
    const char* name;
    Split split;
};

// The forms this processor can run.
std::vector<Form> forms() {
    std::vector<Form> list = {{"split_pixel_pairs", split_pixel_pairs}, {"plain", split_pixel_pairs_plain}};
#if defined(__x86_64__) || defined(__i386__)
    if (__builtin_cpu_supports("ssse3")) list.push_back({"ssse3", split_pixel_pairs_ssse3});
#endif
    return list;
}

// Every form at every length around the 8-pair vector blocks, against the
// definition, and nothing written past the slack.
TEST(PixelPairs, EveryFormMatchesTheDefinitionAndStaysInItsSlack) {
    for (const Form& form : forms())
        for (int pairs = 0; pairs <= 70; ++pairs) {
            std::vector<uint8_t> row = random_bytes(6 * static_cast<size_t>(pairs), static_cast<uint32_t>(pairs));
            const size_t plane = 3 * static_cast<size_t>(pairs) + kPixelPairSlack;
            std::vector<uint8_t> even(plane + 16, 0xEE), odd(plane + 16, 0xEE);
            form.split(row.data(), even.data(), odd.data(), pairs);
            for (int i = 0; i < pairs; ++i)
                for (int ch = 0; ch < 3; ++ch) {
                    ASSERT_EQ(even[3 * i + ch], row[6 * i + ch]) << form.name << " " << pairs;
                    ASSERT_EQ(odd[3 * i + ch], row[6 * i + 3 + ch]) << form.name << " " << pairs;
                }
            for (size_t i = plane; i < even.size(); ++i) {
                ASSERT_EQ(even[i], 0xEE) << form.name << " " << pairs;
                ASSERT_EQ(odd[i], 0xEE) << form.name << " " << pairs;
            }
        }
}

}  // namespace
