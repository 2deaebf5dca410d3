// TIFF through libtiff, read from memory: grey, grey + alpha, RGB and RGBA
// (the extra sample as alpha, kept as stored whether associated or not), 8
// or 16 bits, strips or tiles, interleaved samples, any compression libtiff
// has. Min-is-white grey is inverted to min-is-black (peak - value), so a
// sample always grows with brightness; its alpha is left alone. YCbCr
// stored as JPEG (what JPEG compression of an RGB TIFF usually gives) is
// read as RGB, converted by the JPEG library as for a JPEG file.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
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

// How many times its stored size a strip or tile of this compression can
// decode to at most, or 0 where no bound is known.
uint64_t MaxExpansion(uint16_t compression) {
    switch (compression) {
        case COMPRESSION_NONE:
            return 1;  // stored as they are
        case COMPRESSION_PACKBITS:
            return 64;  // the best run is 2 bytes (a count and the byte) for 128
        case COMPRESSION_LZW:
            // A code takes at least 9 bits and stands for one string of the
            // table, never longer than libtiff's 5119 entries (4095 and
            // 1024 more for old writers): 5119 * 8 / 9 < 4551.
            return 4551;
        case COMPRESSION_ADOBE_DEFLATE:
        case COMPRESSION_DEFLATE:
            return 1032;  // a 258-byte match takes at least 2 bits
        case COMPRESSION_JPEG:
            // Every 8 x 8 block takes at least one bit (its DC code) and
            // gives at most 64 pixels of 3 bytes; subsampled colour adds
            // blocks, never pixels: 64 * 3 * 8.
            return 1536;
        default:
            return 0;
    }
}

// Refuses, before the image is allocated, a file whose strips or tiles
// cannot hold what they must decode to, so a few bytes never cost the
// memory of a large picture. A block's bytes are those its byte count
// names that the file has; a file has no more than 2^32 blocks.
void CheckBlockBytes(TIFF* tiff, const MemoryStream& stream, uint16_t compression, bool tiled, uint64_t blockCount,
                     const std::function<uint64_t(uint64_t)>& decodedSize) {
    const uint64_t expansion = MaxExpansion(compression);
    if (expansion == 0) return;
    const uint64_t fileSize = stream.bytes.size();
    for (uint64_t block = 0; block < blockCount; ++block) {
        uint64_t held = 0;
        if (block <= UINT32_MAX) {
            int error = 0;
            const uint64_t offset = TIFFGetStrileOffsetWithErr(tiff, static_cast<uint32_t>(block), &error);
            const uint64_t count =
                error == 0 ? TIFFGetStrileByteCountWithErr(tiff, static_cast<uint32_t>(block), &error) : 0;
            if (error != 0) {
                ThrowTiff(stream, std::string("cannot read the ") + (tiled ? "tile" : "strip") + " table");
            }
            held = offset < fileSize ? std::min(count, fileSize - offset) : 0;
        }
        const uint64_t decoded = decodedSize(block);
        const uint64_t needed = (decoded + expansion - 1) / expansion;
        if (held < needed) {
            throw CitraError("file cut short: " + std::string(tiled ? "tile " : "strip ") + std::to_string(block) +
                                 " holds " + std::to_string(held) + " bytes, needs at least " +
                                 std::to_string(needed) + " for its " + std::to_string(decoded) +
                                 " bytes of samples",
                             ErrorKind::CutShort);
        }
    }
}

template <typename T>
void InvertGrey(T& samples, int channels, uint32_t peak) {
    for (size_t i = 0; i < samples.size(); i += static_cast<size_t>(channels)) {
        samples[i] = static_cast<typename T::value_type>(peak - samples[i]);
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
             planar = PLANARCONFIG_CONTIG, compression = COMPRESSION_NONE;
    if (!TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height)) {
        ThrowTiff(stream, "image size missing");
    }
    if (!TIFFGetField(tiff.get(), TIFFTAG_PHOTOMETRIC, &photometric)) ThrowTiff(stream, "photometric missing");
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &samplesPerPixel);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLEFORMAT, &sampleFormat);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_COMPRESSION, &compression);

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
    } else if (photometric == PHOTOMETRIC_YCBCR && compression == COMPRESSION_JPEG && samplesPerPixel == 3 &&
               bits == 8) {
        // The JPEG library converts to RGB and fills in subsampled colour;
        // strip and tile sizes are then those of RGB rows.
        if (TIFFSetField(tiff.get(), TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB) != 1) {
            ThrowTiff(stream, "cannot convert YCbCr to RGB");
        }
        layout = ChannelLayout::Rgb;
    } else {
        throw CitraError("TIFF photometric " + std::to_string(photometric) + " with " +
                         std::to_string(samplesPerPixel) + " samples per pixel is not supported");
    }
    if (planar != PLANARCONFIG_CONTIG && samplesPerPixel > 1) {
        throw CitraError("TIFF with separate sample planes is not supported");
    }
    CheckImageLimits(width, height, samplesPerPixel, bits, limits);

    const uint32_t peak = bits == 16 ? 65535 : 255;
    const size_t pixelBytes = static_cast<size_t>(bits / 8) * samplesPerPixel;
    const size_t imageRowBytes = static_cast<size_t>(width) * pixelBytes;
    const bool tiled = TIFFIsTiled(tiff.get()) != 0;
    uint32_t tileWidth = 0, tileHeight = 0, rowsPerStrip = height;
    tmsize_t tileSize = 0;
    if (tiled) {
        if (!TIFFGetField(tiff.get(), TIFFTAG_TILEWIDTH, &tileWidth) ||
            !TIFFGetField(tiff.get(), TIFFTAG_TILELENGTH, &tileHeight) || tileWidth == 0 || tileHeight == 0) {
            ThrowTiff(stream, "bad tile size");
        }
        tileSize = TIFFTileSize(tiff.get());
        if (tileSize <= 0) ThrowTiff(stream, "bad tile size");
    } else {
        TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
        rowsPerStrip = std::clamp<uint32_t>(rowsPerStrip, 1, height);
    }

    // The tile buffer is the one allocation besides the samples.
    if (tiled && static_cast<uint64_t>(tileSize) > limits.maxSampleBytes) {
        throw CitraError("TIFF tile of " + std::to_string(tileSize) + " bytes is above the limit of " +
                         std::to_string(limits.maxSampleBytes));
    }
    const uint64_t tilesAcross = tiled ? (uint64_t{width} + tileWidth - 1) / tileWidth : 1;
    const uint64_t tilesDown = tiled ? (uint64_t{height} + tileHeight - 1) / tileHeight : 1;
    const uint64_t strips = (uint64_t{height} + rowsPerStrip - 1) / rowsPerStrip;
    CheckBlockBytes(tiff.get(), stream, compression, tiled, tiled ? tilesAcross * tilesDown : strips,
                    [&](uint64_t block) -> uint64_t {
                        if (tiled) return static_cast<uint64_t>(tileSize);
                        const uint64_t first = block * rowsPerStrip;
                        return std::min<uint64_t>(rowsPerStrip, height - first) * imageRowBytes;
                    });

    Image image = AllocateImage(width, height, layout, bits, peak, limits);
    auto* out = bits == 16 ? reinterpret_cast<uint8_t*>(image.samples16.data()) : image.samples8.data();

    if (tiled) {
        // A tile spans several rows of the image: decoded into one buffer,
        // then copied row by row, cut at the right and bottom edges.
        std::vector<uint8_t> block;
        try {
            block.resize(static_cast<size_t>(tileSize));
        } catch (const std::bad_alloc&) {
            throw CitraError("out of memory", ErrorKind::OutOfMemory);
        }
        const size_t tileRowBytes = static_cast<size_t>(tileWidth) * pixelBytes;
        for (uint32_t ty = 0; ty < height; ty += tileHeight) {
            for (uint32_t tx = 0; tx < width; tx += tileWidth) {
                const uint32_t tile = TIFFComputeTile(tiff.get(), tx, ty, 0, 0);
                if (TIFFReadEncodedTile(tiff.get(), tile, block.data(), tileSize) != tileSize) {
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
        // A strip is whole rows: decoded where they belong in the image.
        for (uint32_t y = 0; y < height; y += rowsPerStrip) {
            const uint32_t strip = TIFFComputeStrip(tiff.get(), y, 0);
            const size_t need = static_cast<size_t>(std::min(rowsPerStrip, height - y)) * imageRowBytes;
            if (TIFFReadEncodedStrip(tiff.get(), strip, out + static_cast<size_t>(y) * imageRowBytes,
                                     static_cast<tmsize_t>(need)) != static_cast<tmsize_t>(need)) {
                ThrowTiff(stream, "cannot decode strip " + std::to_string(strip));
            }
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
