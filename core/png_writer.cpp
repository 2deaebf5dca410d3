#include "png_writer.h"

#include <cstring>
#include <memory>

#include <spng.h>

#include "error.h"

namespace {

struct ContextFree {
    void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};

void Check(int code) {
    if (code != 0) throw CitraError(std::string("PNG error: ") + spng_strerror(code));
}

uint8_t ColourType(ChannelLayout layout) {
    switch (layout) {
    case ChannelLayout::Grey: return SPNG_COLOR_TYPE_GRAYSCALE;
    case ChannelLayout::GreyAlpha: return SPNG_COLOR_TYPE_GRAYSCALE_ALPHA;
    case ChannelLayout::Rgb: return SPNG_COLOR_TYPE_TRUECOLOR;
    case ChannelLayout::Rgba: return SPNG_COLOR_TYPE_TRUECOLOR_ALPHA;
    }
    return SPNG_COLOR_TYPE_TRUECOLOR;
}

}  // namespace

std::string EncodePng(const Image& image, const std::vector<std::pair<std::string, std::string>>& text,
                      int compressionLevel) {
    if (image.bitDepth != 8 || image.samples8.size() != image.SampleCount() || image.width <= 0 ||
        image.height <= 0)
        throw CitraError("PNG error: only non-empty 8-bit images are written");
    std::unique_ptr<spng_ctx, ContextFree> ctx(spng_ctx_new(SPNG_CTX_ENCODER));
    if (!ctx) throw CitraError("out of memory");
    Check(spng_set_option(ctx.get(), SPNG_ENCODE_TO_BUFFER, 1));
    Check(spng_set_option(ctx.get(), SPNG_IMG_COMPRESSION_LEVEL, compressionLevel));

    spng_ihdr ihdr{};
    ihdr.width = static_cast<uint32_t>(image.width);
    ihdr.height = static_cast<uint32_t>(image.height);
    ihdr.bit_depth = 8;
    ihdr.color_type = ColourType(image.layout);
    Check(spng_set_ihdr(ctx.get(), &ihdr));

    // libspng keeps pointers to the texts until the image is encoded.
    std::vector<std::string> texts;
    std::vector<spng_text> chunks(text.size());
    texts.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto& [keyword, content] = text[i];
        if (keyword.empty() || keyword.size() >= sizeof chunks[i].keyword)
            throw CitraError("PNG error: text keyword of 1 to 79 characters expected");
        std::memcpy(chunks[i].keyword, keyword.c_str(), keyword.size() + 1);
        chunks[i].type = SPNG_TEXT;
        texts.push_back(content);
        chunks[i].length = content.size();
        chunks[i].text = texts.back().data();
    }
    if (!chunks.empty()) Check(spng_set_text(ctx.get(), chunks.data(), static_cast<uint32_t>(chunks.size())));

    Check(spng_encode_image(ctx.get(), image.samples8.data(), image.samples8.size(), SPNG_FMT_PNG,
                            SPNG_ENCODE_FINALIZE));
    size_t length = 0;
    int error = 0;
    std::unique_ptr<void, decltype(&std::free)> buffer(spng_get_png_buffer(ctx.get(), &length, &error), &std::free);
    Check(error);
    if (!buffer) throw CitraError("out of memory");
    return std::string(static_cast<const char*>(buffer.get()), length);
}
