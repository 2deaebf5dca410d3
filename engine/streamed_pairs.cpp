#include "streamed_pairs.h"

#include <utility>

#include "attempt.h"
#include "error.h"
#include "metrics.h"
#include "pair_plan.h"

namespace {

PairResult Named(const std::string& originalPath, const std::string& manipulatedPath) {
    PairResult result;
    result.original = originalPath;
    result.manipulated = manipulatedPath;
    return result;
}

// The desktop numbers of a bitmap that lacks pixels stand, as the desktop
// program computes them; the field's do not, and the line says why.
void MarkMissingPixels(PairResult& result, const std::string& path, const std::optional<std::string>& missing) {
    if (!missing || result.error || result.warning) return;
    result.standard.reset();
    result.warning = path + ": " + *missing;
}

}  // namespace

PairResult CompareFilesStreamed(const std::string& originalPath, const std::string& manipulatedPath,
                                StreamBuffers& buffers, PairPlan& plan) {
    if (!IsBitmapFilePath(originalPath)) {
        const OriginalImage original(originalPath);
        return ComparePair(original, manipulatedPath);
    }
    PairResult result = Named(originalPath, manipulatedPath);
    std::unique_ptr<BitmapFileStream>& original = plan.original;
    result.error = Attempt([&] {
        if (!original) original = std::make_unique<BitmapFileStream>(originalPath);
        ThrowIfRefused(PairRefusal(PairStep::Original, ShapeOf(*original), {}));
    });
    if (result.error) return result;
    const BitmapShape originalShape = ShapeOf(*original);

    if (!IsBitmapFilePath(manipulatedPath)) {
        Picture picture;
        result.error = LoadManipulated(picture, manipulatedPath);
        if (!result.error)
            result.error = Attempt(
                [&] { ThrowIfRefused(PairRefusal(PairStep::Manipulated, originalShape, ShapeOf(picture))); });
        if (result.error) return result;
        // A comparable bitmap from another reader: compare it as loaded.
        const OriginalImage loaded(originalPath);
        return CompareLoaded(loaded, manipulatedPath, picture, std::nullopt);
    }
    result.error = Attempt([&] {
        if (!plan.manipulated) plan.manipulated = std::make_unique<BitmapFileStream>(manipulatedPath);
        BitmapFileStream& manipulated = *plan.manipulated;
        ThrowIfRefused(PairRefusal(PairStep::Manipulated, originalShape, ShapeOf(manipulated)));
        StandardMetrics standard;
        result.metrics = CompareStreams(*original, manipulated, buffers, &standard);
        result.standard = std::move(standard);
    });
    MarkMissingPixels(result, originalPath, MissingPixelData(original->Layout()));
    if (plan.manipulated) MarkMissingPixels(result, manipulatedPath, MissingPixelData(plan.manipulated->Layout()));
    return result;
}

BatchOriginal::BatchOriginal(std::string path) : path_(std::move(path)) {}

void BatchOriginal::Load() {
    image_ = std::make_unique<OriginalImage>(path_);
    if (!image_->Error() && IsBitmapFilePath(path_)) {
        // The loaded raster does not say whether the file held it whole.
        try {
            missing_ = MissingPixelData(BitmapFileStream(path_).Layout());
        } catch (const CitraError& e) {
            missing_ = std::string(e.what());
        }
    }
    loaded_.store(true, std::memory_order_release);
}

PairResult BatchOriginal::Compare(const std::string& manipulatedPath, StreamBuffers& buffers, PairPlan& plan) const {
    // Until the original is in memory, or when it cannot be held there,
    // each pair reads it from its file as a single pair does.
    if (!loaded_.load(std::memory_order_acquire) || image_->OutOfMemory())
        return CompareFilesStreamed(path_, manipulatedPath, buffers, plan);
    if (image_->Error() || !IsBitmapFilePath(manipulatedPath)) return ComparePair(*image_, manipulatedPath);
    const Bitmap& original = *image_->Pixels();
    PairResult result = Named(path_, manipulatedPath);
    result.error = Attempt([&] {
        if (!plan.manipulated) plan.manipulated = std::make_unique<BitmapFileStream>(manipulatedPath);
        BitmapFileStream& manipulated = *plan.manipulated;
        ThrowIfRefused(PairRefusal(PairStep::Manipulated, ShapeOf(original), ShapeOf(manipulated)));
        StandardMetrics standard;
        result.metrics = CompareWithStream(original, manipulated, buffers, &standard);
        result.standard = std::move(standard);
    });
    MarkMissingPixels(result, path_, missing_);
    if (plan.manipulated) MarkMissingPixels(result, manipulatedPath, MissingPixelData(plan.manipulated->Layout()));
    return result;
}
