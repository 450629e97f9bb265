// Weights of the 3x3 Gaussian kernel used to halve frames.
#pragma once

// Centre, side (edge) and diagonal (corner) weights for standard deviation
// `sigma`, normalised to sum 1. Every step is one double operation in a fixed
// order, so the last bits (and hence the truncated output bytes) are the same
// on every build.
void gaussian_weights(float sigma, double* centre, double* edge, double* corner);

// The standard deviation framehalver halves with.
constexpr float kFramehalverSigma = 0.75f;
