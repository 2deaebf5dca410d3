#include "file_pair.h"

#include "attempt.h"
#include "bitmap_ssim.h"
#include "pair_plan.h"

namespace {

PairResult Failed(const ListedPair& pair, const std::string& reason) {
    PairResult result;
    result.original = pair.original;
    result.manipulated = pair.manipulated;
    result.error = reason;
    return result;
}

// SSIM of two 24-bit bitmaps already compared band by band: both files
// read band by band once more, the window's rows held, never the pictures.
void AddSsim(PairResult& result, PairPlan& plan, const StandardOptions& options) {
    StandardMetrics& standard = *result.standard;
    const std::optional<std::string> failure = Attempt([&] {
        if (!plan.original) plan.original = std::make_unique<BitmapFileStream>(result.original);
        if (!plan.manipulated) plan.manipulated = std::make_unique<BitmapFileStream>(result.manipulated);
        if (auto refusal = SsimRefusal(plan.original->Width(), plan.original->Height())) {
            standard.ssimUnavailable = *refusal;
            return;
        }
        SetSsim(standard, BitmapPairSsim(*plan.original, *plan.manipulated, options.threads));
    });
    if (failure) standard.ssimUnavailable = *failure;
}

}  // namespace

PairResult ComparePlannedPair(const ListedPair& pair, const BatchOriginal* batch, StreamBuffers& buffers,
                              const StandardOptions& options, DecodedImages* keep) {
    if (pair.error) return Failed(pair, *pair.error);
    PairPlan plan = PlanPair(pair.original, pair.manipulated);
    switch (plan.route) {
    case Route::Refused:
        return Failed(pair, plan.reason.value_or(""));
    case Route::Decoded:
        return CompareDecodedPair(pair.original, pair.manipulated, options, keep);
    case Route::Desktop:
        break;
    }
    PairResult result = batch ? batch->Compare(pair.manipulated, buffers, plan)
                              : CompareFilesStreamed(pair.original, pair.manipulated, buffers, plan);
    if (options.ssim && result.standard) AddSsim(result, plan, options);
    return result;
}

PairResult CompareFilePair(const std::string& originalPath, const std::string& manipulatedPath,
                           const BatchOriginal* batch, StreamBuffers& buffers, const StandardOptions& options) {
    return ComparePlannedPair(ListedPair{originalPath, manipulatedPath, std::nullopt}, batch, buffers, options);
}
