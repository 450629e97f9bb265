#include "gaussian_weights.h"

#include <cmath>

void gaussian_weights(float sigma, double* centre, double* edge, double* corner) {
    const double two_pi = 6.283185307179586;
    const double s = sigma;
    const double a = 1.0 / ((two_pi * s) * s);
    double c = a;
    const double t = (s + s) * s;
    const double minus_one_over_t = -1.0 / t;
    const double minus_two_over_t = -2.0 / t;
    double e = std::exp(minus_one_over_t) * a;
    double k = std::exp(minus_two_over_t) * a;
    const double sum_corner_edge = k + e;
    const double sum = sum_corner_edge * 4.0 + c;
    *centre = c / sum;
    *edge = e / sum;
    *corner = k / sum;
}
