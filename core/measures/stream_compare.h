#pragma once
// MSE and PSNR of a pair whose manipulated picture (and, for a single pair,
// the original too) is read from its file band by band through a small
// buffer instead of being loaded whole. The bytes compared are those the
// loader would have put into the raster, so the numbers are those of
// ComputeQualityMetrics on the loaded bitmaps, bit for bit.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "bitmap.h"
#include "bmp_reader.h"
#include "input_file.h"
#include "metrics.h"
#include "picture.h"  // IsBitmapFilePath
#include "standard_metrics.h"

// A bitmap file opened as LoadPicture opens it, with its headers read.
class BitmapFileStream {
public:
    // Throws CitraError with the message LoadPicture gives for the file
    // (opening, headers, sizes the raster store refuses). The path must be
    // one that IsBitmapFilePath accepts.
    explicit BitmapFileStream(const std::string& path);
    // The same over a file's bytes in memory (not copied: they must outlive
    // the stream), with the LoadPicture limit of InputFile.
    BitmapFileStream(std::span<const uint8_t> bytes, uint64_t maxBlockBytes = kMaxInMemoryBytes);

    const BitmapFileLayout& Layout() const { return layout_; }
    // Width, height and BitsPerPixel of the Bitmap the loader would make.
    int32_t Width() const { return layout_.width; }
    int32_t Height() const { return layout_.height; }
    int BitsPerPixel() const { return layout_.BitsPerPixel(); }

    // Bytes [offset, offset + count) of the raster as the loader would fill
    // it (rows in file order, stride bytes each; 0 past the bytes taken from
    // the file). Only for compression 0 and 3.
    void ReadRaster(uint64_t offset, size_t count, uint8_t* out);
    // Throws when the file is no longer the one opened (InputFile::ThrowIfChanged):
    // called at the end of each pass, so that no result mixes two versions.
    void ThrowIfChanged() const { file_.ThrowIfChanged(); }

private:
    InputFile file_;
    BitmapFileLayout layout_;
};

// The shape the loaded Bitmap would have, for PairRefusal.
BitmapShape ShapeOf(const BitmapFileStream& stream);

// The band buffers of one comparing thread, reused from pair to pair.
class StreamBuffers {
public:
    static constexpr size_t kDefaultBandBytes = size_t{512} << 10;
    explicit StreamBuffers(size_t bandBytes = kDefaultBandBytes) : bandBytes_(bandBytes < 1 ? 1 : bandBytes) {}

    size_t BandBytes() const { return bandBytes_; }
    uint8_t* First();
    uint8_t* Second();

private:
    size_t bandBytes_;
    std::vector<uint8_t> first_;
    std::vector<uint8_t> second_;
};

// The loaded original against the manipulated file. A pair that
// PairRefusal would refuse raises CitraError with its text. With `standard`,
// the field's metrics of the same bytes (red, green, blue; no SSIM) come
// from the same pass.
QualityMetrics CompareWithStream(const Bitmap& original, BitmapFileStream& manipulated, StreamBuffers& buffers,
                                 StandardMetrics* standard = nullptr);

// Two loaded bitmaps, as ComputeQualityMetrics compares them.
QualityMetrics CompareBitmaps(const Bitmap& original, const Bitmap& manipulated, StandardMetrics* standard = nullptr);

// Both pictures read from their files side by side.
QualityMetrics CompareStreams(BitmapFileStream& original, BitmapFileStream& manipulated, StreamBuffers& buffers,
                              StandardMetrics* standard = nullptr);
