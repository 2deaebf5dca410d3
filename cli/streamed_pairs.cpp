#include "streamed_pairs.h"

#include <utility>

#include "attempt.h"
#include "error.h"
#include "messages.h"

namespace {

PairResult Named(const std::string& originalPath, const std::string& manipulatedPath) {
    PairResult result;
    result.original = originalPath;
    result.manipulated = manipulatedPath;
    return result;
}

}  // namespace

PairResult CompareFilesStreamed(const std::string& originalPath, const std::string& manipulatedPath,
                                StreamBuffers& buffers) {
    if (!IsBitmapFilePath(originalPath)) {
        const OriginalImage original(originalPath);
        return ComparePair(original, manipulatedPath);
    }
    PairResult result = Named(originalPath, manipulatedPath);
    std::optional<BitmapFileStream> original;
    result.error = Attempt([&] {
        original.emplace(originalPath);
        if (original->BitsPerPixel() != 24) throw CitraError(msg::kNot24Bit);
    });
    if (result.error) return result;
    const int32_t width = original->Width();
    const int32_t height = original->Height();

    if (!IsBitmapFilePath(manipulatedPath)) {
        Picture picture;
        result.error = LoadManipulated(picture, manipulatedPath);
        if (!result.error) result.error = Attempt([&] { CheckManipulated(width, height, picture); });
        if (result.error) return result;
        // A comparable bitmap from another reader: compare it as loaded.
        const OriginalImage loaded(originalPath);
        return CompareLoaded(loaded, manipulatedPath, picture, std::nullopt);
    }
    result.error = Attempt([&] {
        BitmapFileStream manipulated(manipulatedPath);
        CheckManipulated(width, height, manipulated.Width(), manipulated.Height(), manipulated.BitsPerPixel());
        result.metrics = CompareStreams(*original, manipulated, buffers);
    });
    return result;
}

BatchOriginal::BatchOriginal(std::string path, size_t loadBandBytes)
    : path_(std::move(path)),
      loadBandBytes_(loadBandBytes),
      headersKnown_(headersPromise_.get_future().share()),
      finished_(finishedPromise_.get_future().share()) {}

void BatchOriginal::Load() {
    if (!IsBitmapFilePath(path_)) {
        loaded_ = std::make_unique<OriginalImage>(path_);
        error_ = loaded_->Error();
        bitmap_ = loaded_->Pixels();
        headersPromise_.set_value();
        finishedPromise_.set_value();
        return;
    }
    error_ = Attempt([&] {
        stream_.emplace(path_);
        if (stream_->BitsPerPixel() != 24) throw CitraError(msg::kNot24Bit);
        raster_ = AllocateRaster(stream_->Layout());
    });
    bitmap_ = error_ ? nullptr : raster_.get();
    headersPromise_.set_value();
    if (!error_) {
        // On failure, pairs waiting for rows that never come give up.
        readError_ = Attempt([&] { ReadRasterInBands(*stream_, *raster_, fill_, loadBandBytes_); });
    }
    stream_.reset();  // closes the file
    finishedPromise_.set_value();
}

PairResult BatchOriginal::Compare(const std::string& manipulatedPath, StreamBuffers& buffers) const {
    headersKnown_.wait();
    if (loaded_) return ComparePair(*loaded_, manipulatedPath);
    PairResult result = Named(path_, manipulatedPath);
    if (error_) {
        result.error = error_;
        return result;
    }
    const Bitmap& original = *bitmap_;
    if (IsBitmapFilePath(manipulatedPath)) {
        result.error = Attempt([&] {
            BitmapFileStream manipulated(manipulatedPath);
            CheckManipulated(original.Width(), original.Height(), manipulated.Width(), manipulated.Height(),
                             manipulated.BitsPerPixel());
            result.metrics = CompareWithStream(original, manipulated, buffers, &fill_);
        });
    } else {
        Picture picture;
        result.error = LoadManipulated(picture, manipulatedPath);
        if (!result.error) {
            result.error = Attempt([&] {
                CheckManipulated(original.Width(), original.Height(), picture);
                // A comparable bitmap from another reader: compare it as loaded.
                fill_.WaitFor(original.DataSize());
                result.metrics = ComputeQualityMetrics(original, *picture.BitmapIfAny());
            });
        }
    }
    // An original whose pixels could not all be read fails every pair.
    finished_.wait();
    if (readError_) {
        result.error = readError_;
        result.metrics = {};
    }
    return result;
}
