#include "png_writer.h"

#include <cstring>
#include <memory>

#include <spng.h>

#include "error.h"
#include "png_deflate.h"

namespace {

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

// A new encoder writing to memory, with the header and the text chunks
// set; `texts` keeps the chunks' text, which libspng points to until the
// image is encoded.
int ToSink(spng_ctx*, void* user, void* bytes, size_t count) {
    const auto& sink = *static_cast<const PngRowEncoder::Sink*>(user);
    return sink(static_cast<const uint8_t*>(bytes), count) ? 0 : SPNG_IO_ERROR;
}

spng_ctx* NewEncoder(int32_t width, int32_t height, ChannelLayout layout,
                     const std::vector<std::pair<std::string, std::string>>& text, PngSettings settings,
                     std::vector<std::string>& texts, const PngRowEncoder::Sink* sink = nullptr) {
    if (width <= 0 || height <= 0) throw CitraError("PNG error: only non-empty 8-bit images are written");
    spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
    if (ctx == nullptr) throw CitraError("out of memory", ErrorKind::OutOfMemory);
    try {
        if (sink != nullptr)
            Check(spng_set_png_stream(ctx, ToSink, const_cast<PngRowEncoder::Sink*>(sink)));
        else
            Check(spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1));
        Check(spng_set_option(ctx, SPNG_IMG_COMPRESSION_LEVEL, settings.level));
        if (!settings.filtered) Check(spng_set_option(ctx, SPNG_FILTER_CHOICE, SPNG_FILTER_CHOICE_NONE));
        spng_ihdr ihdr{};
        ihdr.width = static_cast<uint32_t>(width);
        ihdr.height = static_cast<uint32_t>(height);
        ihdr.bit_depth = 8;
        ihdr.color_type = ColourType(layout);
        Check(spng_set_ihdr(ctx, &ihdr));
        std::vector<spng_text> chunks(text.size());
        texts.clear();
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
        if (!chunks.empty()) Check(spng_set_text(ctx, chunks.data(), static_cast<uint32_t>(chunks.size())));
    } catch (...) {
        spng_ctx_free(ctx);
        throw;
    }
    return ctx;
}

std::string TakeBuffer(spng_ctx* ctx) {
    size_t length = 0;
    int error = 0;
    std::unique_ptr<void, decltype(&std::free)> buffer(spng_get_png_buffer(ctx, &length, &error), &std::free);
    Check(error);
    if (!buffer) throw CitraError("out of memory", ErrorKind::OutOfMemory);
    return std::string(static_cast<const char*>(buffer.get()), length);
}

}  // namespace

std::string EncodePng(const Image& image, const std::vector<std::pair<std::string, std::string>>& text,
                      PngSettings settings) {
    if (image.bitDepth != 8 || image.samples8.size() != image.SampleCount())
        throw CitraError("PNG error: only non-empty 8-bit images are written");
    if (!settings.filtered) return EncodeUnfilteredPng(image, text, settings.level);
    std::vector<std::string> texts;
    std::unique_ptr<spng_ctx, decltype(&spng_ctx_free)> ctx(
        NewEncoder(image.width, image.height, image.layout, text, settings, texts), &spng_ctx_free);
    Check(spng_encode_image(ctx.get(), image.samples8.data(), image.samples8.size(), SPNG_FMT_PNG,
                            SPNG_ENCODE_FINALIZE));
    return TakeBuffer(ctx.get());
}

PngRowEncoder::~PngRowEncoder() {
    if (ctx_ != nullptr) spng_ctx_free(ctx_);
}

void PngRowEncoder::Start(int32_t width, int32_t height, ChannelLayout layout,
                          const std::vector<std::pair<std::string, std::string>>& text, PngSettings settings,
                          Sink sink) {
    sink_ = std::move(sink);
    ctx_ = NewEncoder(width, height, layout, text, settings, texts_, sink_ ? &sink_ : nullptr);
    rowBytes_ = static_cast<size_t>(width) * static_cast<size_t>(ChannelCount(layout));
    rowsLeft_ = height;
    Check(spng_encode_image(ctx_, nullptr, 0, SPNG_FMT_PNG, SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE));
}

void PngRowEncoder::Row(const uint8_t* samples) {
    if (rowsLeft_ <= 0) throw CitraError("PNG error: more rows than the image has");
    const int code = spng_encode_row(ctx_, samples, rowBytes_);
    --rowsLeft_;
    // The last row ends the image: libspng says so with SPNG_EOI.
    if (code != 0 && !(code == SPNG_EOI && rowsLeft_ == 0)) Check(code);
}

std::string PngRowEncoder::Finish() {
    if (rowsLeft_ != 0) throw CitraError("PNG error: fewer rows than the image has");
    return sink_ ? std::string() : TakeBuffer(ctx_);
}
