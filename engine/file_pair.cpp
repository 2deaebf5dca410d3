#include "file_pair.h"

#include "attempt.h"
#include "decoded_pairs.h"
#include "bitmap_ssim.h"
#include "messages.h"

namespace {

// SSIM of two 24-bit bitmaps already compared band by band: both files
// read band by band once more, the window's rows held, never the pictures.
void AddSsim(PairResult& result, const StandardOptions& options) {
    StandardMetrics& standard = *result.standard;
    const std::optional<std::string> failure = Attempt([&] {
        BitmapFileStream original(result.original);
        BitmapFileStream manipulated(result.manipulated);
        if (auto refusal = SsimRefusal(original.Width(), original.Height())) {
            standard.ssimUnavailable = *refusal;
            return;
        }
        SetSsim(standard, BitmapPairSsim(original, manipulated, options.threads), false);
    });
    if (failure) standard.ssimUnavailable = *failure;
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
