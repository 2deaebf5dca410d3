#include "pair_plan.h"

#include "formats.h"
#include "picture.h"

namespace {

// The file opened with its headers read, or null when it cannot be.
std::unique_ptr<BitmapFileStream> OpenHeaders(const std::string& path) {
    try {
        return std::make_unique<BitmapFileStream>(path);
    } catch (const std::exception&) {
        return nullptr;
    }
}

// Pixels of a depth the desktop program refuses, which the decoders read.
bool OtherDepth(const BitmapFileStream& bitmap) {
    return !bitmap.Layout().Empty() && bitmap.BitsPerPixel() != 24;
}

}  // namespace

Route RouteByNames(const std::string& originalPath, const std::string& manipulatedPath) {
    const bool bothBitmaps = IsBitmapFilePath(originalPath) && IsBitmapFilePath(manipulatedPath);
    return !bothBitmaps && IsImagePath(originalPath) && IsImagePath(manipulatedPath) ? Route::Decoded
                                                                                      : Route::Desktop;
}

PairPlan PlanPair(const std::string& originalPath, const std::string& manipulatedPath) {
    PairPlan plan;
    plan.route = RouteByNames(originalPath, manipulatedPath);
    if (plan.route == Route::Decoded || !IsBitmapFilePath(originalPath) || !IsBitmapFilePath(manipulatedPath))
        return plan;
    // As the desktop program judges them: the original first, on its own;
    // only a file it would refuse for its depth alone sends the pair to
    // the decoders, any other failure stays its own.
    plan.original = OpenHeaders(originalPath);
    if (!plan.original) return plan;
    const bool originalTaken = plan.original->BitsPerPixel() == 24;
    if (!originalTaken && OtherDepth(*plan.original)) {
        plan.route = Route::Decoded;
        plan.original.reset();
        return plan;
    }
    plan.manipulated = OpenHeaders(manipulatedPath);
    // An original without pixels is refused for its depth too; the pair is
    // decoded only if the manipulated file has pixels of another depth.
    if (plan.manipulated && OtherDepth(*plan.manipulated) && (originalTaken || plan.original->Layout().Empty())) {
        plan.route = Route::Decoded;
        plan.original.reset();
        plan.manipulated.reset();
    }
    return plan;
}

Route PlanFile(const std::string& path) {
    if (IsBitmapFilePath(path)) {
        const std::unique_ptr<BitmapFileStream> bitmap = OpenHeaders(path);
        return bitmap && OtherDepth(*bitmap) ? Route::Decoded : Route::Desktop;
    }
    return IsImagePath(path) ? Route::Decoded : Route::Desktop;
}
