#include "decoded_pairs.h"

#include <exception>
#include <system_error>
#include <thread>
#include <utility>

#include "attempt.h"
#include "image_reader.h"
#include "parallel_tasks.h"
#include "squared_difference.h"
#include "stream_compare.h"
#include "thread_start.h"

// Both files decoded, side by side when the pair may use more than one
// thread (most of a decoded pair's time is decoding). The original's error
// comes first, as when they are decoded one after the other.
std::pair<Image, Image> DecodeBoth(const std::string& originalPath, const std::string& manipulatedPath,
                                   unsigned threads) {
    if (ThreadsToUse(threads) < 2) {
        Image original = ReadImage(originalPath);
        return {std::move(original), ReadImage(manipulatedPath)};
    }
    Image original, manipulated;
    std::exception_ptr originalFailure, manipulatedFailure;
    const auto decodeOriginal = [&] {
        try {
            original = ReadImage(originalPath);
        } catch (...) {
            originalFailure = std::current_exception();
        }
    };
    {
        std::jthread reader;
        try {
            reader = StartThread<std::jthread>(decodeOriginal);
        } catch (const std::system_error&) {
            decodeOriginal();  // no thread to be had: one after the other
        }
        try {
            manipulated = ReadImage(manipulatedPath);
        } catch (...) {
            manipulatedFailure = std::current_exception();
        }
    }
    if (originalFailure) std::rethrow_exception(originalFailure);
    if (manipulatedFailure) std::rethrow_exception(manipulatedFailure);
    return {std::move(original), std::move(manipulated)};
}

void SetDesktopNumbers(PairResult& result, const ImageView& original, const ImageView& manipulated) {
    // The squared differences of a pixel's three samples summed, averaged
    // over the pixels, from the exact sum.
    if (original.layout == ChannelLayout::Rgb && original.bitDepth == 8 && original.peak == 255) {
        const uint64_t sum = SquaredDifferenceSum(original.Samples8(), manipulated.Samples8(), original.SampleCount());
        result.metrics =
            MetricsFromSquaredSum(sum, static_cast<int64_t>(original.width) * static_cast<int64_t>(original.height));
    } else {
        result.metricsUnavailable = text::kMseNeedsRgb8;
    }
}

PairResult CompareImages(const ImageView& original, const ImageView& manipulated, const StandardOptions& options) {
    PairResult result;
    result.error = Attempt([&] {
        if (const auto refusal = StandardPairRefusal(original, manipulated))
            throw CitraError(*refusal, ErrorKind::Refused);
        result.standard = ComputeStandardMetrics(original, manipulated, options);
        SetDesktopNumbers(result, original, manipulated);
    });
    if (result.error) result.standard.reset();
    return result;
}

PairResult CompareDecodedPair(const std::string& originalPath, const std::string& manipulatedPath,
                              const StandardOptions& options, DecodedImages* keep) {
    PairResult result;
    const std::optional<std::string> failure = Attempt([&] {
        auto [original, manipulated] = DecodeBoth(originalPath, manipulatedPath, options.threads);
        result = CompareImages(original, manipulated, options);
        if (keep) *keep = DecodedImages{std::move(original), std::move(manipulated)};
    });
    if (failure) result.error = failure;  // a file that failed to decode
    result.original = originalPath;
    result.manipulated = manipulatedPath;
    return result;
}
