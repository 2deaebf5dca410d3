// PNG through libspng: grey, grey + alpha, RGB and RGBA as stored (16-bit
// samples kept), grey below 8 bits scaled to 0..255, palette expanded to
// RGB, or RGBA when a tRNS chunk gives the palette transparency.
#include <algorithm>
#include <memory>
#include <string>

#include <spng.h>

#include "error.h"
#include "image_decoders.h"

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

}  // namespace

Image DecodePng(std::span<const uint8_t> bytes, const ImageLimits& limits) {
    std::unique_ptr<spng_ctx, ContextFree> ctx(spng_ctx_new(0));
    if (!ctx) throw CitraError("out of memory", ErrorKind::OutOfMemory);
    Check(spng_set_image_limits(ctx.get(), static_cast<uint32_t>(limits.maxWidth),
                                static_cast<uint32_t>(limits.maxHeight)));
    // No chunk, and no sum of kept ancillary chunks, may exceed the samples.
    const size_t chunkLimit = static_cast<size_t>(std::min<uint64_t>(limits.maxSampleBytes, 1u << 30));
    Check(spng_set_chunk_limits(ctx.get(), chunkLimit, chunkLimit));
    Check(spng_set_png_buffer(ctx.get(), bytes.data(), bytes.size()));

    spng_ihdr ihdr{};
    const int header = spng_get_ihdr(ctx.get(), &ihdr);
    // libspng checks the size against the limits itself; the refusal is
    // worded as the other formats word it, from the header's own fields.
    if ((header == SPNG_EUSER_WIDTH || header == SPNG_EUSER_HEIGHT) && bytes.size() >= 24) {
        auto be32 = [&](size_t at) {
            return (uint32_t{bytes[at]} << 24) | (uint32_t{bytes[at + 1]} << 16) | (uint32_t{bytes[at + 2]} << 8) |
                   bytes[at + 3];
        };
        CheckImageLimits(be32(16), be32(20), 1, 8, limits);
    }
    Check(header);

    ChannelLayout layout = ChannelLayout::Rgb;
    int format = SPNG_FMT_PNG;
    int flags = 0;
    const int bitDepth = ihdr.bit_depth == 16 ? 16 : 8;
    switch (ihdr.color_type) {
        case SPNG_COLOR_TYPE_GRAYSCALE:
            layout = ChannelLayout::Grey;
            // Below 8 bits, libspng scales to 0..255 (value * 255 / (2^depth - 1)).
            if (ihdr.bit_depth < 8) format = SPNG_FMT_G8;
            break;
        case SPNG_COLOR_TYPE_GRAYSCALE_ALPHA:
            layout = ChannelLayout::GreyAlpha;
            break;
        case SPNG_COLOR_TYPE_TRUECOLOR:
            layout = ChannelLayout::Rgb;
            break;
        case SPNG_COLOR_TYPE_TRUECOLOR_ALPHA:
            layout = ChannelLayout::Rgba;
            break;
        case SPNG_COLOR_TYPE_INDEXED: {
            spng_trns trns{};
            const int hasTrns = spng_get_trns(ctx.get(), &trns);
            if (hasTrns != 0 && hasTrns != SPNG_ECHUNKAVAIL) ThrowSpng(hasTrns);
            layout = hasTrns == 0 ? ChannelLayout::Rgba : ChannelLayout::Rgb;
            format = hasTrns == 0 ? SPNG_FMT_RGBA8 : SPNG_FMT_RGB8;
            flags = SPNG_DECODE_TRNS;
            break;
        }
        default:
            throw CitraError("PNG colour type " + std::to_string(ihdr.color_type) + " is not supported");
    }

    CheckImageLimits(ihdr.width, ihdr.height, ChannelCount(layout), bitDepth, limits);
    size_t size = 0;
    Check(spng_decoded_image_size(ctx.get(), format, &size));
    Image image = AllocateImage(ihdr.width, ihdr.height, layout, bitDepth, bitDepth == 16 ? 65535 : 255, limits);
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
