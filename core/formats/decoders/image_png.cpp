// PNG through libspng: grey, grey + alpha, RGB and RGBA as stored (16-bit
// samples kept), grey below 8 bits scaled to 0..255, palette expanded to
// RGB. A tRNS chunk adds alpha: palette to RGBA, grey to grey + alpha, RGB
// to RGBA, alpha 0 where a pixel equals the chunk's colour key, else the
// peak.
//
// libspng reads the file through a stream that holds only the chunks used
// here (png_chunks.h), so no other chunk is inflated or kept, and nothing
// is allocated for a picture its image data is too short to hold.
//
// libspng reads and checks the header chunks of every file. The image data
// of 8- and 16-bit pictures without a colour key, not interlaced, is
// inflated by libdeflate and unfiltered by png_inflate.h, in about half
// the time libspng takes inflating row by row; a file it does not take
// cleanly goes on to libspng, whose picture or message it gets.
#include "image_png.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include <spng.h>

#include "error.h"
#include "image_decoders.h"
#include "png_chunks.h"
#include "png_inflate.h"

namespace {

struct ContextFree {
    void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};

[[noreturn]] void ThrowSpng(int code) {
    throw CitraError(std::string("PNG error: ") + spng_strerror(code));
}

void Check(int code) {
    if (code != 0) ThrowSpng(code);
}

// The kept ranges of the file, one after the other, as libspng reads them.
struct KeptStream {
    std::span<const uint8_t> file;
    const PngChunkMap* map = nullptr;
    size_t range = 0;   // the range being read
    size_t within = 0;  // bytes of it already given
};

int ReadKept(spng_ctx*, void* user, void* destination, size_t length) {
    KeptStream& stream = *static_cast<KeptStream*>(user);
    auto* out = static_cast<uint8_t*>(destination);
    while (length > 0) {
        if (stream.range == stream.map->keptCount) return SPNG_IO_EOF;
        const PngByteRange& range = stream.map->kept[stream.range];
        const size_t count = std::min(length, range.size - stream.within);
        std::memcpy(out, stream.file.data() + range.offset + stream.within, count);
        out += count;
        length -= count;
        stream.within += count;
        if (stream.within == range.size) {
            ++stream.range;
            stream.within = 0;
        }
    }
    return 0;
}

// The header as libspng read and checked it.
PngHeader CheckedHeader(const PngChunkMap& map, const spng_ihdr& ihdr) {
    PngHeader header = map.header;
    header.width = ihdr.width;
    header.height = ihdr.height;
    header.bitDepth = ihdr.bit_depth;
    header.colourType = ihdr.color_type;
    header.interlace = ihdr.interlace_method;
    return header;
}

// Refuses a header whose filtered rows need more bytes than the file's image
// data could inflate to, before the picture is allocated.
void CheckImageDataCanHold(const PngChunkMap& map, const spng_ihdr& ihdr) {
    const PngHeader header = CheckedHeader(map, ihdr);
    const uint64_t needed = MinZlibBytes(PngFilteredBytes(header));
    if (map.idatBytes < needed) {
        throw CitraError("file cut short: PNG image data of " + std::to_string(map.idatBytes) +
                             " bytes cannot hold a " + std::to_string(ihdr.width) + " x " +
                             std::to_string(ihdr.height) + " picture (it needs at least " + std::to_string(needed) +
                             ")",
                         ErrorKind::CutShort);
    }
}

// The picture with room for its filtered rows: InflatePngRows inflates them
// where the samples end up, a filter byte a row more than the samples, so
// no second buffer of the picture's size is needed.
Image AllocateForRows(const spng_ihdr& ihdr, ChannelLayout layout, int bitDepth, uint64_t filteredBytes,
                      const ImageLimits& limits) {
    CheckImageLimits(ihdr.width, ihdr.height, ChannelCount(layout), bitDepth, limits);
    Image image;
    image.width = static_cast<int32_t>(ihdr.width);
    image.height = static_cast<int32_t>(ihdr.height);
    image.layout = layout;
    image.bitDepth = bitDepth;
    image.peak = bitDepth == 16 ? 65535 : 255;
    try {
        if (bitDepth == 16) {
            image.samples16.resize(static_cast<size_t>((filteredBytes + 1) / 2));
        } else {
            image.samples8.resize(static_cast<size_t>(filteredBytes));
        }
    } catch (const std::bad_alloc&) {
        throw CitraError("out of memory", ErrorKind::OutOfMemory);
    }
    return image;
}

// Down to the samples; the capacity stays, so nothing is copied.
void KeepSamplesOnly(Image& image) {
    if (image.bitDepth == 16) {
        image.samples16.resize(image.SampleCount());
    } else {
        image.samples8.resize(image.SampleCount());
    }
}

// `writable`: the bytes are the caller's own, to be rearranged (InflatePngRows).
Image Decode(std::span<const uint8_t> bytes, const ImageLimits& limits, bool inflate,
             std::optional<PngRowsStatus>& tried, uint8_t* writable = nullptr) {
    const PngChunkMap map = MapPngChunks(bytes);
    KeptStream stream{bytes, &map};

    std::unique_ptr<spng_ctx, ContextFree> ctx(spng_ctx_new(0));
    if (!ctx) throw CitraError("out of memory", ErrorKind::OutOfMemory);
    Check(spng_set_image_limits(ctx.get(), static_cast<uint32_t>(limits.maxWidth),
                                static_cast<uint32_t>(limits.maxHeight)));
    // No chunk, and no sum of kept ancillary chunks, may exceed the samples.
    const size_t chunkLimit = static_cast<size_t>(std::min<uint64_t>(limits.maxSampleBytes, 1u << 30));
    Check(spng_set_chunk_limits(ctx.get(), chunkLimit, chunkLimit));
    Check(spng_set_png_stream(ctx.get(), ReadKept, &stream));

    spng_ihdr ihdr{};
    const int header = spng_get_ihdr(ctx.get(), &ihdr);
    // libspng checks the size against the limits itself; the refusal is
    // worded as the other formats word it, from the header's own fields.
    if (header == SPNG_EUSER_WIDTH || header == SPNG_EUSER_HEIGHT) {
        CheckImageLimits(map.header.width, map.header.height, 1, 8, limits);
    }
    Check(header);

    ChannelLayout layout = ChannelLayout::Rgb;
    int format = SPNG_FMT_PNG;
    int flags = 0;
    const int bitDepth = ihdr.bit_depth == 16 ? 16 : 8;
    // A colour key (tRNS on grey or RGB) or palette alpha; libspng leaves
    // out a tRNS chunk that does not fit the colour type.
    bool hasTrns = false;
    if (ihdr.color_type == SPNG_COLOR_TYPE_GRAYSCALE || ihdr.color_type == SPNG_COLOR_TYPE_TRUECOLOR ||
        ihdr.color_type == SPNG_COLOR_TYPE_INDEXED) {
        spng_trns trns{};
        const int found = spng_get_trns(ctx.get(), &trns);
        if (found != 0 && found != SPNG_ECHUNKAVAIL) ThrowSpng(found);
        hasTrns = found == 0;
    }
    switch (ihdr.color_type) {
        case SPNG_COLOR_TYPE_GRAYSCALE:
            if (hasTrns) {
                // libspng compares the key with the stored sample, before
                // scaling, and only with the key's low bit-depth bits.
                layout = ChannelLayout::GreyAlpha;
                format = bitDepth == 16 ? SPNG_FMT_GA16 : SPNG_FMT_GA8;
                flags = SPNG_DECODE_TRNS;
            } else {
                layout = ChannelLayout::Grey;
                // Below 8 bits, libspng scales to 0..255 (value * 255 / (2^depth - 1)).
                if (ihdr.bit_depth < 8) format = SPNG_FMT_G8;
            }
            break;
        case SPNG_COLOR_TYPE_GRAYSCALE_ALPHA:
            layout = ChannelLayout::GreyAlpha;
            break;
        case SPNG_COLOR_TYPE_TRUECOLOR:
            layout = hasTrns ? ChannelLayout::Rgba : ChannelLayout::Rgb;
            if (hasTrns) {
                format = bitDepth == 16 ? SPNG_FMT_RGBA16 : SPNG_FMT_RGBA8;
                flags = SPNG_DECODE_TRNS;
            }
            break;
        case SPNG_COLOR_TYPE_TRUECOLOR_ALPHA:
            layout = ChannelLayout::Rgba;
            break;
        case SPNG_COLOR_TYPE_INDEXED:
            layout = hasTrns ? ChannelLayout::Rgba : ChannelLayout::Rgb;
            format = hasTrns ? SPNG_FMT_RGBA8 : SPNG_FMT_RGB8;
            flags = SPNG_DECODE_TRNS;
            break;
        default:
            throw CitraError("PNG colour type " + std::to_string(ihdr.color_type) + " is not supported");
    }

    CheckImageLimits(ihdr.width, ihdr.height, ChannelCount(layout), bitDepth, limits);
    CheckImageDataCanHold(map, ihdr);
    size_t size = 0;
    Check(spng_decoded_image_size(ctx.get(), format, &size));

    const PngHeader checked = CheckedHeader(map, ihdr);
    Image image;
    if (inflate && !hasTrns && PngRowsInflatable(checked)) {
        const uint64_t filtered = PngFilteredBytes(checked);
        image = AllocateForRows(ihdr, layout, bitDepth, filtered, limits);
        auto* rows = bitDepth == 16 ? reinterpret_cast<uint8_t*>(image.samples16.data()) : image.samples8.data();
        tried = InflatePngRows(bytes, map, checked, std::span<uint8_t>(rows, static_cast<size_t>(filtered)), writable);
        KeepSamplesOnly(image);
        // Done includes IEND's checks. Else libspng decodes the image data
        // into the same memory, and its picture or message is the file's.
        if (*tried == PngRowsStatus::Done) return image;
    } else {
        image = AllocateImage(ihdr.width, ihdr.height, layout, bitDepth, bitDepth == 16 ? 65535 : 255, limits);
    }
    void* out = bitDepth == 16 ? static_cast<void*>(image.samples16.data()) : image.samples8.data();
    const size_t capacity = image.SampleCount() * (bitDepth == 16 ? 2 : 1);
    if (size != capacity) {
        throw CitraError("PNG decoder gives " + std::to_string(size) + " bytes for " + std::to_string(capacity));
    }
    Check(spng_decode_image(ctx.get(), out, size, format, flags));
    // The chunks after the image, up to IEND: a file cut short after its
    // last IDAT is refused too.
    Check(spng_decode_chunks(ctx.get()));
    return image;
}

}  // namespace

Image DecodePng(std::span<const uint8_t> bytes, const ImageLimits& limits) {
    std::optional<PngRowsStatus> tried;
    return Decode(bytes, limits, true, tried);
}

Image DecodePngOwned(std::span<uint8_t> bytes, const ImageLimits& limits) {
    std::optional<PngRowsStatus> tried;
    return Decode(bytes, limits, true, tried, bytes.data());
}

Image DecodePngWithLibspng(std::span<const uint8_t> bytes, const ImageLimits& limits) {
    std::optional<PngRowsStatus> tried;
    return Decode(bytes, limits, false, tried);
}

Image DecodePngTraced(std::span<const uint8_t> bytes, const ImageLimits& limits,
                      std::optional<PngRowsStatus>& tried) {
    tried.reset();
    return Decode(bytes, limits, true, tried);
}

Image DecodePngOwnedTraced(std::span<uint8_t> bytes, const ImageLimits& limits,
                           std::optional<PngRowsStatus>& tried) {
    tried.reset();
    return Decode(bytes, limits, true, tried, bytes.data());
}
