#include "file_pair.h"

#include "attempt.h"
#include "decoded_pairs.h"
#include "image_reader.h"
#include "messages.h"

namespace {

// SSIM of a pair already compared band by band: both files decoded whole,
// which gives the very bytes the bitmap reader compared.
void AddSsim(PairResult& result, const StandardOptions& options) {
    const std::optional<std::string> failure = Attempt([&] {
        const Image original = ReadImage(result.original);
        const Image manipulated = ReadImage(result.manipulated);
        const StandardMetrics whole = ComputeStandardMetrics(original, manipulated, options);
        result.standard->ssim = whole.ssim;
        result.standard->ssimUnavailable = whole.ssimUnavailable;
        for (size_t c = 0; c < result.standard->channels.size() && c < whole.channels.size(); ++c)
            result.standard->channels[c].ssim = whole.channels[c].ssim;
    });
    if (failure) result.standard->ssimUnavailable = *failure;
}

}  // namespace

PairResult CompareFilePair(const std::string& originalPath, const std::string& manipulatedPath,
                           const BatchOriginal* batch, StreamBuffers& buffers,
                           const std::optional<StandardOptions>& standard) {
    if (standard && IsDecodedPair(originalPath, manipulatedPath))
        return CompareDecodedPair(originalPath, manipulatedPath, *standard);
    PairResult result =
        batch ? batch->Compare(manipulatedPath, buffers) : CompareFilesStreamed(originalPath, manipulatedPath, buffers);
    // Only once a bitmap is refused for its depth are the headers read again.
    if (standard && result.error && *result.error == msg::kNot24Bit &&
        IsOtherDepthBitmapPair(originalPath, manipulatedPath))
        return CompareDecodedPair(originalPath, manipulatedPath, *standard);
    if (standard && standard->ssim && result.standard) AddSsim(result, *standard);
    return result;
}
