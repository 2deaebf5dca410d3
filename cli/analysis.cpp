#include "analysis.h"

#include <utility>

#include "attempt.h"
#include "error.h"
#include "messages.h"

namespace {

const Bitmap* TwentyFourBitBitmap(const Picture& picture) {
    const Bitmap* bitmap = picture.BitmapIfAny();
    return bitmap && bitmap->BitsPerPixel() == 24 ? bitmap : nullptr;
}

}  // namespace

void CheckManipulated(int32_t originalWidth, int32_t originalHeight, int32_t width, int32_t height,
                      int bitsPerPixel) {
    if (bitsPerPixel != 24) throw CitraError(msg::kNot24Bit);
    if (width != originalWidth || height != originalHeight) throw CitraError(msg::kSizeDiffers);
}

void CheckManipulated(int32_t originalWidth, int32_t originalHeight, const Picture& manipulated) {
    const Bitmap* bitmap = manipulated.BitmapIfAny();
    CheckManipulated(originalWidth, originalHeight, bitmap ? bitmap->Width() : 0, bitmap ? bitmap->Height() : 0,
                     bitmap ? bitmap->BitsPerPixel() : 0);
}

InfoResult InspectFile(const std::string& path) {
    InfoResult result;
    result.path = path;
    result.error = Attempt([&] {
        Picture picture;
        LoadPicture(picture, path);
        result.kind = picture.Kind();
        if (const Bitmap* bitmap = picture.BitmapIfAny()) {
            result.width = bitmap->Width();
            result.height = bitmap->Height();
            result.bitsPerPixel = bitmap->BitsPerPixel();
        }
        result.fileSize = MeasureFileSize(path);
    });
    return result;
}

HistogramResult CountChannels(const std::string& path) {
    HistogramResult result;
    result.path = path;
    result.error = Attempt([&] {
        Picture picture;
        LoadPicture(picture, path);
        const Bitmap* bitmap = TwentyFourBitBitmap(picture);
        if (!bitmap) throw CitraError(msg::kNot24Bit);
        result.counts = ComputeChannelHistogram(*bitmap);
    });
    return result;
}

OriginalImage::OriginalImage(std::string path) : path_(std::move(path)) {
    error_ = Attempt([&] {
        LoadPicture(picture_, path_);
        if (!TwentyFourBitBitmap(picture_)) throw CitraError(msg::kNot24Bit);
    });
    if (error_) ClearPicture(picture_);
}

const Bitmap* OriginalImage::Pixels() const {
    return error_ ? nullptr : TwentyFourBitBitmap(picture_);
}

PairResult ComparePair(const OriginalImage& original, const std::string& manipulatedPath) {
    Picture picture;
    std::optional<std::string> loadError;
    if (!original.Error()) loadError = LoadManipulated(picture, manipulatedPath);
    return CompareLoaded(original, manipulatedPath, picture, loadError);
}

std::optional<std::string> LoadManipulated(Picture& picture, const std::string& path) {
    return Attempt([&] { LoadPicture(picture, path); });
}

PairResult CompareLoaded(const OriginalImage& original, const std::string& manipulatedPath,
                         const Picture& picture, const std::optional<std::string>& loadError) {
    PairResult result;
    result.original = original.Path();
    result.manipulated = manipulatedPath;
    if (original.Error()) {
        result.error = original.Error();
        return result;
    }
    if (loadError) {
        result.error = loadError;
        return result;
    }
    result.error = Attempt([&] {
        const Bitmap& reference = *original.Pixels();
        CheckManipulated(reference.Width(), reference.Height(), picture);
        result.metrics = ComputeQualityMetrics(reference, *picture.BitmapIfAny());
    });
    return result;
}
