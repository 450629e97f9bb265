// print_gaussian_weights: prints framehalver's three kernel weights,
// "centre edge corner", each with 17 significant digits, so that scripts use
// exactly the weights the program computes.
#include <cstdio>

#include "gaussian_weights.h"

int main() {
    double centre, edge, corner;
    gaussian_weights(kFramehalverSigma, &centre, &edge, &corner);
    std::printf("%.17g %.17g %.17g\n", centre, edge, corner);
    return 0;
}
