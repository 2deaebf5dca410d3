#pragma once
// SSIM of every channel of an image pair, as scikit-image's
// structural_similarity computes it with gaussian_weights=True, sigma=1.5,
// use_sample_covariance=False, data_range=peak, one channel at a time.
#include <optional>
#include <string>
#include <vector>

#include "image.h"

// Why a pair of this size has no SSIM (a side shorter than the 11-sample
// window), or nullopt.
std::optional<std::string> SsimRefusal(const Image& image);

// Mean SSIM of each channel, in stored order. The pair must be one that
// StandardPairRefusal and SsimRefusal accept. threads: 0 for every core.
// plainLoops: the loops built for any x86-64 even where AVX2 is there (for
// the tests, which otherwise only reach the ones the processor picks).
std::vector<double> ChannelSsim(const Image& a, const Image& b, unsigned threads, bool plainLoops = false);
