#include "analysis.h"

#include <cerrno>
#include <utility>

#include "attempt.h"
#include "error.h"
#include "formats.h"
#include "image_reader.h"
#include "input_file.h"
#include "histogram_stream.h"
#include "metrics.h"
#include "pair_plan.h"
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
    if (refusal) throw CitraError(*refusal, ErrorKind::Refused);
}

namespace {

// The samples' facts of a file its decoder reads; nothing when it cannot.
void AddDecodedFacts(InfoResult& result, const Image& image) {
    result.width = image.width;
    result.height = image.height;
    result.channels = image.Channels();
    result.bitsPerSample = image.bitDepth;
    result.peak = image.peak;
}

}  // namespace

InfoResult InspectFile(const std::string& path) {
    InfoResult result;
    result.path = path;
    const Format* format = FormatOfPath(path);
    if (format != nullptr) result.format = format->name;
    result.error = Attempt([&] {
        if (format != nullptr && format->desktopKind == PictureKind::Bitmap) {
            // The headers decide what the full load would say; the raster
            // itself is not needed.
            const BitmapFileStream bitmap(path);
            result.kind = PictureKind::Bitmap;
            result.width = bitmap.Width();
            result.height = bitmap.Height();
            result.bitsPerPixel = bitmap.BitsPerPixel();
            // The decoded samples' layout, from the headers too: 8-bit
            // samples whatever the depth (palettes looked up, bit fields
            // scaled), with alpha where the header has an alpha mask.
            if (!bitmap.Layout().Empty()) {
                uint8_t first[70] = {};
                InputFile file(path);
                const size_t got = file.ReadUpTo(first, sizeof first);
                result.channels = BmpDecodedChannels(std::span<const uint8_t>(first, got), bitmap.Layout());
                result.bitsPerSample = 8;
                result.peak = 255;
            }
        } else if (format != nullptr && format->desktopKind != PictureKind::Empty) {
            Picture picture;
            LoadPicture(picture, path);
            result.kind = picture.Kind();
            if (format->decode != nullptr) {
                Attempt([&] {
                    const Image image = ReadImage(path);
                    AddDecodedFacts(result, image);
                    result.bitsPerPixel = image.Channels() * image.bitDepth;
                });
            }
        } else if (format != nullptr && format->decode != nullptr) {
            const Image image = ReadImage(path);
            AddDecodedFacts(result, image);
            result.bitsPerPixel = image.Channels() * image.bitDepth;
        } else {
            Picture picture;
            LoadPicture(picture, path);  // unknown to every reader: the loader's message
        }
        result.fileSize = MeasureFileSize(path);
    });
    return result;
}

ChannelHistogram CountDesktopChannels(const std::string& path) {
    if (IsBitmapFilePath(path)) {
        // Counted from the file band by band, as compare reads it; the
        // raster is never held.
        BitmapFileStream stream(path);
        ThrowIfRefused(PairRefusal(PairStep::Original, ShapeOf(stream), {}));
        // Counts of pixels the file lacks would be counts of zeros.
        if (auto missing = MissingPixelData(stream.Layout())) throw CitraError(*missing, ErrorKind::CutShort);
        return ComputeChannelHistogramStreamed(path, stream);
    }
    Picture picture;
    LoadPicture(picture, path);
    ThrowIfRefused(PairRefusal(PairStep::Original, ShapeOf(picture), {}));
    return ComputeChannelHistogram(*picture.BitmapIfAny());
}

HistogramResult CountChannels(const std::string& path) {
    HistogramResult result;
    result.path = path;
    result.error = Attempt([&] {
        if (PlanFile(path) == Route::Decoded) {
            const Image image = ReadImage(path);
            result.decoded = CountSamples(image, DefaultBins(image.peak));
        } else {
            result.counts = CountDesktopChannels(path);
        }
    });
    return result;
}

OriginalImage::OriginalImage(std::string path) : path_(std::move(path)) {
    std::optional<Failure> failure = AttemptStep([&] {
        LoadPicture(picture_, path_);
        ThrowIfRefused(PairRefusal(PairStep::Original, ShapeOf(picture_), {}));
    });
    if (failure) {
        error_ = std::move(failure->message);
        errorKind_ = failure->kind;
        ClearPicture(picture_);
    }
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
