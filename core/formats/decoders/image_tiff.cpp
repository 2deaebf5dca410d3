// TIFF through libtiff, read from memory: grey, grey + alpha, RGB and RGBA
// (the extra sample as alpha, kept as stored whether associated or not), 8
// or 16 bits, strips or tiles, interleaved samples, any compression libtiff
// has. Min-is-white grey is inverted to min-is-black (peak - value), so a
// sample always grows with brightness; its alpha is left alone.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <tiffio.h>

#include "error.h"
#include "image_decoders.h"

namespace {

// The name libtiff knows the input by; some of its texts start with it.
constexpr const char* kInputName = "image";

struct MemoryStream {
    std::span<const uint8_t> bytes;
    uint64_t position = 0;
    std::string error;  // the first error libtiff reported
};

MemoryStream& StreamOf(thandle_t handle) {
    return *static_cast<MemoryStream*>(handle);
}

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size) {
    MemoryStream& s = StreamOf(handle);
    if (size <= 0 || s.position >= s.bytes.size()) return 0;
    const uint64_t count = std::min<uint64_t>(static_cast<uint64_t>(size), s.bytes.size() - s.position);
    std::memcpy(buffer, s.bytes.data() + s.position, static_cast<size_t>(count));
    s.position += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) {
    return -1;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    MemoryStream& s = StreamOf(handle);
    uint64_t base = 0;
    if (whence == SEEK_CUR) base = s.position;
    if (whence == SEEK_END) base = s.bytes.size();
    if (offset > UINT64_MAX - base) return static_cast<toff_t>(-1);
    s.position = base + offset;
    return s.position;
}

int CloseProc(thandle_t) {
    return 0;
}

toff_t SizeProc(thandle_t handle) {
    return StreamOf(handle).bytes.size();
}

// libtiff's errors end up in the exception; nothing is printed.
int ErrorHandler(TIFF*, void* userData, const char*, const char* format, va_list args) {
    auto* stream = static_cast<MemoryStream*>(userData);
    if (stream->error.empty()) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        stream->error = text;
        // The message names the file already.
        const std::string prefix = std::string(kInputName) + ": ";
        if (stream->error.rfind(prefix, 0) == 0) stream->error.erase(0, prefix.size());
    }
    return 1;
}

int WarningHandler(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

struct TiffClose {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

struct OptionsFree {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

[[noreturn]] void ThrowTiff(const MemoryStream& stream, const std::string& what) {
    throw CitraError("TIFF error: " + (stream.error.empty() ? what : stream.error));
}

template <typename T>
void InvertGrey(std::vector<T>& samples, int channels, uint32_t peak) {
    for (size_t i = 0; i < samples.size(); i += static_cast<size_t>(channels)) {
        samples[i] = static_cast<T>(peak - samples[i]);
    }
}

}  // namespace

Image DecodeTiff(std::span<const uint8_t> bytes, const ImageLimits& limits) {
    MemoryStream stream;
    stream.bytes = bytes;
    std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
    if (!options) throw CitraError("out of memory", ErrorKind::OutOfMemory);
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), ErrorHandler, &stream);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), WarningHandler, &stream);
    // No single allocation inside libtiff beyond the samples' limit, with
    // room for the codecs' own state.
    TIFFOpenOptionsSetMaxSingleMemAlloc(
        options.get(), static_cast<tmsize_t>(std::min<uint64_t>(limits.maxSampleBytes, INT64_MAX / 2) + (4u << 20)));
    std::unique_ptr<TIFF, TiffClose> tiff(TIFFClientOpenExt(kInputName, "rm", &stream, ReadProc, WriteProc, SeekProc,
                                                            CloseProc, SizeProc, nullptr, nullptr, options.get()));
    if (!tiff) ThrowTiff(stream, "cannot read the header");
    // Every page would be a picture of its own: comparing the first alone
    // would call two files that differ on a later page identical.
    if (const tdir_t pages = TIFFNumberOfDirectories(tiff.get()); pages > 1) {
        throw CitraError("TIFF with " + std::to_string(pages) + " pages: only single-page files are read",
                         ErrorKind::Refused);
    }

    uint32_t width = 0, height = 0;
    uint16_t bits = 0, samplesPerPixel = 1, photometric = 0, sampleFormat = SAMPLEFORMAT_UINT,
             planar = PLANARCONFIG_CONTIG;
    if (!TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height)) {
        ThrowTiff(stream, "image size missing");
    }
    if (!TIFFGetField(tiff.get(), TIFFTAG_PHOTOMETRIC, &photometric)) ThrowTiff(stream, "photometric missing");
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &samplesPerPixel);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLEFORMAT, &sampleFormat);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_PLANARCONFIG, &planar);

    if (sampleFormat != SAMPLEFORMAT_UINT) {
        throw CitraError("TIFF sample format " + std::to_string(sampleFormat) + " is not supported (unsigned only)");
    }
    if (bits != 8 && bits != 16) {
        throw CitraError("TIFF with " + std::to_string(bits) + " bits per sample is not supported (8 or 16 only)");
    }
    ChannelLayout layout;
    if ((photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE) && samplesPerPixel <= 2) {
        layout = samplesPerPixel == 1 ? ChannelLayout::Grey : ChannelLayout::GreyAlpha;
    } else if (photometric == PHOTOMETRIC_RGB && (samplesPerPixel == 3 || samplesPerPixel == 4)) {
        layout = samplesPerPixel == 3 ? ChannelLayout::Rgb : ChannelLayout::Rgba;
    } else {
        throw CitraError("TIFF photometric " + std::to_string(photometric) + " with " +
                         std::to_string(samplesPerPixel) + " samples per pixel is not supported");
    }
    if (planar != PLANARCONFIG_CONTIG && samplesPerPixel > 1) {
        throw CitraError("TIFF with separate sample planes is not supported");
    }

    const uint32_t peak = bits == 16 ? 65535 : 255;
    Image image = AllocateImage(width, height, layout, bits, peak, limits);
    const size_t sampleBytes = bits / 8;
    const size_t pixelBytes = sampleBytes * samplesPerPixel;
    auto* out = bits == 16 ? reinterpret_cast<uint8_t*>(image.samples16.data()) : image.samples8.data();
    const size_t imageRowBytes = static_cast<size_t>(width) * pixelBytes;

    // Each strip or tile is decoded into one buffer, no larger than the
    // samples may be.
    const bool tiled = TIFFIsTiled(tiff.get()) != 0;
    const tmsize_t blockSize = tiled ? TIFFTileSize(tiff.get()) : TIFFStripSize(tiff.get());
    if (blockSize <= 0) ThrowTiff(stream, "bad strip or tile size");
    if (static_cast<uint64_t>(blockSize) > limits.maxSampleBytes) {
        throw CitraError("TIFF " + std::string(tiled ? "tile" : "strip") + " of " + std::to_string(blockSize) +
                         " bytes is above the limit of " + std::to_string(limits.maxSampleBytes));
    }
    std::vector<uint8_t> block;
    try {
        block.resize(static_cast<size_t>(blockSize));
    } catch (const std::bad_alloc&) {
        throw CitraError("out of memory", ErrorKind::OutOfMemory);
    }

    if (tiled) {
        uint32_t tileWidth = 0, tileHeight = 0;
        if (!TIFFGetField(tiff.get(), TIFFTAG_TILEWIDTH, &tileWidth) ||
            !TIFFGetField(tiff.get(), TIFFTAG_TILELENGTH, &tileHeight) || tileWidth == 0 || tileHeight == 0) {
            ThrowTiff(stream, "bad tile size");
        }
        const size_t tileRowBytes = static_cast<size_t>(tileWidth) * pixelBytes;
        for (uint32_t ty = 0; ty < height; ty += tileHeight) {
            for (uint32_t tx = 0; tx < width; tx += tileWidth) {
                const uint32_t tile = TIFFComputeTile(tiff.get(), tx, ty, 0, 0);
                if (TIFFReadEncodedTile(tiff.get(), tile, block.data(), blockSize) != blockSize) {
                    ThrowTiff(stream, "cannot decode tile " + std::to_string(tile));
                }
                const uint32_t rows = std::min(tileHeight, height - ty);
                const size_t copy = static_cast<size_t>(std::min(tileWidth, width - tx)) * pixelBytes;
                for (uint32_t r = 0; r < rows; ++r) {
                    std::memcpy(out + (static_cast<size_t>(ty) + r) * imageRowBytes + tx * pixelBytes,
                                block.data() + r * tileRowBytes, copy);
                }
            }
        }
    } else {
        uint32_t rowsPerStrip = height;
        TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
        rowsPerStrip = std::clamp<uint32_t>(rowsPerStrip, 1, height);
        for (uint32_t y = 0; y < height; y += rowsPerStrip) {
            const uint32_t strip = TIFFComputeStrip(tiff.get(), y, 0);
            const uint32_t rows = std::min(rowsPerStrip, height - y);
            const size_t need = rows * imageRowBytes;
            if (need > block.size()) ThrowTiff(stream, "bad strip size");
            if (TIFFReadEncodedStrip(tiff.get(), strip, block.data(), static_cast<tmsize_t>(need)) !=
                static_cast<tmsize_t>(need)) {
                ThrowTiff(stream, "cannot decode strip " + std::to_string(strip));
            }
            std::memcpy(out + static_cast<size_t>(y) * imageRowBytes, block.data(), need);
        }
    }

    if (photometric == PHOTOMETRIC_MINISWHITE) {
        if (bits == 16) {
            InvertGrey(image.samples16, image.Channels(), peak);
        } else {
            InvertGrey(image.samples8, image.Channels(), peak);
        }
    }
    return image;
}
