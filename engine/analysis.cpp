#include "analysis.h"

#include <cerrno>
#include <utility>

#include "attempt.h"
#include "error.h"
#include "histogram_stream.h"
#include "metrics.h"
#include "platform_error.h"
#include "stream_compare.h"
#include "engine_texts.h"

namespace {

// The picture's bitmap when it may be an original (or be counted), else null.
const Bitmap* AcceptedOriginal(const Picture& picture) {
    return PairRefusal(PairStep::Original, ShapeOf(picture), {}) ? nullptr : picture.BitmapIfAny();
}

}  // namespace

void ThrowIfRefused(const std::optional<std::string>& refusal) {
    if (refusal) throw CitraError(*refusal);
}

bool IsOutOfMemory(const std::string& message) {
    return message == SystemErrorMessage(ENOMEM) || message == text::kOutOfMemory;
}

InfoResult InspectFile(const std::string& path) {
    InfoResult result;
    result.path = path;
    result.error = Attempt([&] {
        if (IsBitmapFilePath(path)) {
            // The headers decide what the full load would say; the raster
            // itself is not needed.
            const BitmapFileStream bitmap(path);
            result.kind = PictureKind::Bitmap;
            result.width = bitmap.Width();
            result.height = bitmap.Height();
            result.bitsPerPixel = bitmap.BitsPerPixel();
        } else {
            Picture picture;
            LoadPicture(picture, path);
            result.kind = picture.Kind();
        }
        result.fileSize = MeasureFileSize(path);
    });
    return result;
}

HistogramResult CountChannels(const std::string& path) {
    HistogramResult result;
    result.path = path;
    result.error = Attempt([&] {
        if (IsBitmapFilePath(path)) {
            // Counted from the file band by band, as compare reads it; the
            // raster is never held.
            BitmapFileStream stream(path);
            ThrowIfRefused(PairRefusal(PairStep::Original, ShapeOf(stream), {}));
            result.counts = ComputeChannelHistogramStreamed(path, stream);
            return;
        }
        Picture picture;
        LoadPicture(picture, path);
        ThrowIfRefused(PairRefusal(PairStep::Original, ShapeOf(picture), {}));
        result.counts = ComputeChannelHistogram(*picture.BitmapIfAny());
    });
    return result;
}

OriginalImage::OriginalImage(std::string path) : path_(std::move(path)) {
    error_ = Attempt([&] {
        LoadPicture(picture_, path_);
        ThrowIfRefused(PairRefusal(PairStep::Original, ShapeOf(picture_), {}));
    });
    if (error_) ClearPicture(picture_);
}

const Bitmap* OriginalImage::Pixels() const {
    return error_ ? nullptr : AcceptedOriginal(picture_);
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
        ThrowIfRefused(PairRefusal(PairStep::Manipulated, ShapeOf(reference), ShapeOf(picture)));
        StandardMetrics standard;
        result.metrics = CompareBitmaps(reference, *picture.BitmapIfAny(), &standard);
        result.standard = std::move(standard);
    });
    return result;
}
