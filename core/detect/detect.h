#pragma once
// Estimators of LSB replacement in one channel of 8-bit samples: the
// chi-square attack (Westfeld and Pfitzmann 2000), RS analysis (Fridrich,
// Goljan and Du 2001), Sample Pair Analysis (Dumitrescu, Wu and Wang 2003)
// and Weighted Stego (Fridrich and Goljan 2004, with the predictor of Ker
// and Boehme 2008, bias-corrected). Each is a pure function of the samples;
// the conventions each one follows are written at the top of its .cpp file.
//
// A payload is the fraction of samples carrying a message bit (0 to 1).
// A raw estimate may fall outside [0, 1] and is kept as computed, the
// clamped value beside it. Where an estimator has nothing to go on (too few
// samples, a degenerate equation) it gives no estimate and says why:
// whatever the samples, never NaN and never an exception (memory aside).
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "image.h"

// One channel of an interleaved 8-bit image, read in place.
struct SamplePlane {
    const uint8_t* samples = nullptr;  // the channel's sample of the top left pixel
    int32_t width = 0;
    int32_t height = 0;
    size_t pixelStep = 1;  // samples from a pixel to the next in a row: the channel count
    size_t rowStep = 0;    // samples from a row to the next

    uint8_t At(int32_t x, int32_t y) const {
        return samples[static_cast<size_t>(y) * rowStep + static_cast<size_t>(x) * pixelStep];
    }
    const uint8_t* Row(int32_t y) const { return samples + static_cast<size_t>(y) * rowStep; }
    size_t SampleCount() const { return static_cast<size_t>(width) * static_cast<size_t>(height); }
};

// A contiguous grey plane of width x height samples.
inline SamplePlane GreyPlane(const uint8_t* samples, int32_t width, int32_t height) {
    return {samples, width, height, 1, static_cast<size_t>(width)};
}

struct PayloadEstimate {
    std::optional<double> raw;      // as computed; may fall slightly outside [0, 1]
    std::optional<double> clamped;  // raw clamped to [0, 1]
    std::string_view reason;        // why there is no estimate (a fixed text); empty when there is one

    bool HasEstimate() const { return raw.has_value(); }
};

// The chi-square attack over the first `samples` samples of a channel in
// scan order (rows from the top, left to right).
struct ChiSquareStep {
    int percent = 100;                  // of the channel's samples
    uint64_t samples = 0;               // floor(all samples * percent / 100)
    double statistic = 0;               // over the categories kept
    int categories = 0;                 // pairs of values (2k, 2k+1) kept; degrees of freedom + 1
    std::optional<double> probability;  // of embedding: 1 - CDF of chi-square(categories - 1)
    std::string_view reason;            // why there is no probability; empty when there is one
};

struct ChiSquareResult {
    ChiSquareStep whole;                 // every sample of the channel
    std::vector<ChiSquareStep> profile;  // one per percent asked for, in that order
};

// 1%, then every 5% up to 100%.
inline constexpr std::array<int, 21> kChiSquareProfilePercents = {1,  5,  10, 15, 20, 25, 30, 35, 40, 45, 50,
                                                                  55, 60, 65, 70, 75, 80, 85, 90, 95, 100};

// Percents outside 1..100 are taken as 1 or 100.
ChiSquareResult ChiSquareAttack(const SamplePlane& plane,
                                std::span<const int> profilePercents = kChiSquareProfilePercents);
PayloadEstimate RsAnalysis(const SamplePlane& plane);
PayloadEstimate SamplePairAnalysis(const SamplePlane& plane);
// Weighted Stego, by default with the bias of predicting from stego
// samples taken out (see weighted_stego.cpp); Plain is the papers' estimate.
enum class WsBias { Corrected, Plain };
PayloadEstimate WeightedStego(const SamplePlane& plane, WsBias bias = WsBias::Corrected);

// Q(a, x) = Gamma(a, x) / Gamma(a), the regularized upper incomplete gamma
// function for a = 1/2, 1, 3/2, ... (half the degrees of freedom) and x >= 0:
// the chi-square attack's tail probability Q(dof / 2, statistic / 2).
double ChiSquareTail(int degreesOfFreedom, double statistic);

// All four on every colour channel of an image (alpha left out).
struct ChannelDetection {
    std::string_view name;  // "Y", "R", "G" or "B"
    ChiSquareResult chiSquare;
    PayloadEstimate rs, spa, ws;  // ws bias-corrected
    PayloadEstimate wsPlain;      // the papers' WS, from the same pass
};

struct DetectOptions {
    unsigned threads = 1;  // channels computed side by side; 0: DefaultWorkerCount()
    std::span<const int> profilePercents = kChiSquareProfilePercents;
};

// The colour channels of an 8-bit image as planes, in stored order.
std::vector<SamplePlane> ColourPlanes(const ImageView& image);

// Throws CitraError (Refused) for an image whose samples are not 8 bits or
// do not fill its width and height.
std::vector<ChannelDetection> DetectLsbEmbedding(const ImageView& image, const DetectOptions& options = {});
