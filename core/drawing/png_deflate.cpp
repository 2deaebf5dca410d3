#include "png_deflate.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "error.h"
#include "sample_allocator.h"

namespace {

struct CompressorFree {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

void PutBe32(std::string& out, uint32_t v) {
    const char bytes[4] = {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                           static_cast<char>(v)};
    out.append(bytes, 4);
}

// Length, type, data and the CRC of type and data.
void PutChunk(std::string& out, const char type[4], const void* data, size_t size) {
    if (size > 0x7FFFFFFFu) throw CitraError("PNG error: chunk too large");
    PutBe32(out, static_cast<uint32_t>(size));
    const size_t typeAt = out.size();
    out.append(type, 4);
    out.append(static_cast<const char*>(data), size);
    PutBe32(out, libdeflate_crc32(0, out.data() + typeAt, size + 4));
}

uint8_t ColourType(ChannelLayout layout) {
    switch (layout) {
    case ChannelLayout::Grey: return 0;
    case ChannelLayout::GreyAlpha: return 4;
    case ChannelLayout::Rgb: return 2;
    case ChannelLayout::Rgba: return 6;
    }
    return 2;
}

}  // namespace

PngRows AllocatePngRows(int32_t width, int32_t height, ChannelLayout layout) {
    PngRows rows;
    rows.width = width;
    rows.height = height;
    rows.layout = layout;
    const size_t count = static_cast<size_t>(std::max(height, 0));
    try {
        rows.bytes.resize(count * (rows.RowBytes() + 1));
    } catch (const std::bad_alloc&) {
        throw CitraError("out of memory", ErrorKind::OutOfMemory);
    }
    for (size_t y = 0; y < count; ++y) rows.bytes[y * (rows.RowBytes() + 1)] = 0;
    return rows;
}

std::string EncodeUnfilteredPng(const Image& image, const std::vector<std::pair<std::string, std::string>>& text,
                                int level) {
    if (image.width <= 0 || image.height <= 0 || image.bitDepth != 8)
        throw CitraError("PNG error: only non-empty 8-bit images are written");
    return EncodePngRows(PngRowsOf(image), text, level);
}

PngRows PngRowsOf(const Image& image) {
    PngRows rows = AllocatePngRows(image.width, image.height, image.layout);
    const size_t rowBytes = rows.RowBytes();
    for (size_t y = 0; y < static_cast<size_t>(rows.height); ++y)
        std::memcpy(rows.Row(y), image.samples8.data() + y * rowBytes, rowBytes);
    return rows;
}

std::string EncodePngRows(const PngRows& rows, const std::vector<std::pair<std::string, std::string>>& text,
                          int level) {
    if (rows.width <= 0 || rows.height <= 0)
        throw CitraError("PNG error: only non-empty 8-bit images are written");
    try {
        std::string out("\x89PNG\r\n\x1a\n", 8);
        std::string ihdr;
        PutBe32(ihdr, static_cast<uint32_t>(rows.width));
        PutBe32(ihdr, static_cast<uint32_t>(rows.height));
        ihdr += static_cast<char>(8);
        ihdr += static_cast<char>(ColourType(rows.layout));
        ihdr.append(3, '\0');  // deflate, adaptive filtering method, no interlace
        PutChunk(out, "IHDR", ihdr.data(), ihdr.size());
        for (const auto& [keyword, content] : text) {
            if (keyword.empty() || keyword.size() > 79)
                throw CitraError("PNG error: text keyword of 1 to 79 characters expected");
            std::string body = keyword;
            body += '\0';
            body += content;
            PutChunk(out, "tEXt", body.data(), body.size());
        }
        const SampleBytes& filtered = rows.bytes;
        const std::unique_ptr<libdeflate_compressor, CompressorFree> compressor(
            libdeflate_alloc_compressor(level < 1 ? 1 : level));
        if (!compressor) throw std::bad_alloc();
        SampleBytes zlib(libdeflate_zlib_compress_bound(compressor.get(), filtered.size()));
        const size_t size =
            libdeflate_zlib_compress(compressor.get(), filtered.data(), filtered.size(), zlib.data(), zlib.size());
        if (size == 0) throw CitraError("PNG error: image data did not fit its bound");
        out.reserve(out.size() + size + 12 * (size / (size_t{1} << 30) + 2));
        // IDAT chunks of at most 1 GiB each.
        constexpr size_t kIdatBytes = size_t{1} << 30;
        for (size_t at = 0; at < size; at += kIdatBytes)
            PutChunk(out, "IDAT", zlib.data() + at, std::min(kIdatBytes, size - at));
        PutChunk(out, "IEND", nullptr, 0);
        return out;
    } catch (const std::bad_alloc&) {
        throw CitraError("out of memory", ErrorKind::OutOfMemory);
    }
}
