#include "gaussian_weights.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(GaussianWeights, ExactDoublesForSigmaThreeQuarters) {
    double centre, edge, corner;
    gaussian_weights(0.75f, &centre, &edge, &corner);
    EXPECT_EQ(centre, 0x1.346316c180c6ep-2);
    EXPECT_EQ(edge, 0x1.fb20796334034p-4);
    // The closed form q^2 / (1 + 4q + 4q^2) lands one unit lower here.
    EXPECT_EQ(corner, 0x1.a0f8dfb6966bcp-5);
    EXPECT_EQ(centre + 4 * edge + 4 * corner, 1.0);
    EXPECT_NEAR(edge / centre, std::exp(-8.0 / 9.0), 1e-14);
    EXPECT_NEAR(corner / centre, std::exp(-16.0 / 9.0), 1e-14);
}

TEST(GaussianWeights, SignOfSigmaDoesNotMatter) {
    for (float sigma : {0.75f, 0.5f, 1.3f, 2.0f}) {
        double a[3], b[3];
        gaussian_weights(sigma, &a[0], &a[1], &a[2]);
        gaussian_weights(-sigma, &b[0], &b[1], &b[2]);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(a[i], b[i]) << sigma;
        EXPECT_GT(a[0], a[1]);
        EXPECT_GT(a[1], a[2]);
        EXPECT_GT(a[2], 0.0);
    }
}

}  // namespace
