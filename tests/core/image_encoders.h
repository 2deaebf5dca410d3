#pragma once
// Small image files written with the libraries' own encoders (libspng,
// libtiff, libjpeg) and by hand for PNM, for the reader tests and the fuzz
// seeds. Each returns the file's bytes, or throws std::runtime_error.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <spng.h>
#include <tiffio.h>

namespace image_encoders {

// PNG: rows packed as PNG stores them (sub-byte samples most significant
// first, 16-bit samples in host order). palette: RGB triples; trns: alpha
// of the first entries.
inline std::vector<uint8_t> Png(uint32_t width, uint32_t height, uint8_t colourType, uint8_t bitDepth,
                                const std::vector<uint8_t>& rows, const std::vector<uint8_t>& palette = {},
                                const std::vector<uint8_t>& trns = {}) {
    spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
    if (ctx == nullptr) throw std::runtime_error("spng_ctx_new");
    spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
    spng_ihdr ihdr{};
    ihdr.width = width;
    ihdr.height = height;
    ihdr.bit_depth = bitDepth;
    ihdr.color_type = colourType;
    int err = spng_set_ihdr(ctx, &ihdr);
    if (err == 0 && !palette.empty()) {
        spng_plte plte{};
        plte.n_entries = static_cast<uint32_t>(palette.size() / 3);
        for (uint32_t i = 0; i < plte.n_entries; ++i) {
            plte.entries[i] = {palette[3 * i], palette[3 * i + 1], palette[3 * i + 2], 0};
        }
        err = spng_set_plte(ctx, &plte);
    }
    if (err == 0 && !trns.empty()) {
        spng_trns t{};
        t.n_type3_entries = static_cast<uint32_t>(trns.size());
        std::memcpy(t.type3_alpha, trns.data(), trns.size());
        err = spng_set_trns(ctx, &t);
    }
    if (err == 0) err = spng_encode_image(ctx, rows.data(), rows.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
    size_t length = 0;
    void* buffer = err == 0 ? spng_get_png_buffer(ctx, &length, &err) : nullptr;
    spng_ctx_free(ctx);
    if (err != 0 || buffer == nullptr) throw std::runtime_error(std::string("spng: ") + spng_strerror(err));
    std::vector<uint8_t> bytes(static_cast<uint8_t*>(buffer), static_cast<uint8_t*>(buffer) + length);
    std::free(buffer);
    return bytes;
}

struct TiffShape {
    uint32_t width = 1;
    uint32_t height = 1;
    uint16_t samplesPerPixel = 1;
    uint16_t bits = 8;
    uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    uint16_t compression = COMPRESSION_NONE;
    uint32_t rowsPerStrip = 1;  // strips of this many rows
    uint32_t tile = 0;          // tiles of tile x tile pixels instead (a multiple of 16)
    uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    uint16_t extraSample = EXTRASAMPLE_UNASSALPHA;
    int pages = 1;  // the same picture on each page
};

namespace detail {
struct TiffSink {
    std::vector<uint8_t> bytes;
    uint64_t position = 0;
};
inline tmsize_t SinkRead(thandle_t h, void* buf, tmsize_t n) {
    auto* s = static_cast<TiffSink*>(h);
    const uint64_t avail = s->position < s->bytes.size() ? s->bytes.size() - s->position : 0;
    const size_t count = static_cast<size_t>(std::min<uint64_t>(avail, static_cast<uint64_t>(n)));
    std::memcpy(buf, s->bytes.data() + s->position, count);
    s->position += count;
    return static_cast<tmsize_t>(count);
}
inline tmsize_t SinkWrite(thandle_t h, void* buf, tmsize_t n) {
    auto* s = static_cast<TiffSink*>(h);
    if (s->bytes.size() < s->position + n) s->bytes.resize(s->position + n);
    std::memcpy(s->bytes.data() + s->position, buf, static_cast<size_t>(n));
    s->position += n;
    return n;
}
inline toff_t SinkSeek(thandle_t h, toff_t off, int whence) {
    auto* s = static_cast<TiffSink*>(h);
    s->position = (whence == SEEK_CUR ? s->position : whence == SEEK_END ? s->bytes.size() : 0) + off;
    return s->position;
}
inline int SinkClose(thandle_t) { return 0; }
inline toff_t SinkSize(thandle_t h) { return static_cast<TiffSink*>(h)->bytes.size(); }
}  // namespace detail

// TIFF from interleaved samples (16-bit ones in host order).
inline std::vector<uint8_t> Tiff(const TiffShape& shape, const std::vector<uint8_t>& samples) {
    detail::TiffSink sink;
    TIFF* tif = TIFFClientOpen("seed", "w", &sink, detail::SinkRead, detail::SinkWrite, detail::SinkSeek,
                               detail::SinkClose, detail::SinkSize, nullptr, nullptr);
    if (tif == nullptr) throw std::runtime_error("TIFFClientOpen");
    bool ok = true;
    for (int page = 0; page < shape.pages && ok; ++page) {
        if (page > 0) ok = TIFFWriteDirectory(tif) == 1;
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, shape.width);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, shape.height);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, shape.samplesPerPixel);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, shape.bits);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, shape.photometric);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, shape.compression);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, shape.sampleFormat);
        const bool hasExtra = (shape.photometric == PHOTOMETRIC_RGB && shape.samplesPerPixel == 4) ||
                              (shape.photometric != PHOTOMETRIC_RGB && shape.samplesPerPixel == 2);
        if (hasExtra) {
            uint16_t extra[1] = {shape.extraSample};
            TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
        }
        const size_t pixelBytes = static_cast<size_t>(shape.samplesPerPixel) * shape.bits / 8;
        const size_t rowBytes = shape.width * pixelBytes;
        if (shape.tile != 0) {
            TIFFSetField(tif, TIFFTAG_TILEWIDTH, shape.tile);
            TIFFSetField(tif, TIFFTAG_TILELENGTH, shape.tile);
            std::vector<uint8_t> tile(shape.tile * shape.tile * pixelBytes);
            for (uint32_t ty = 0; ty < shape.height && ok; ty += shape.tile) {
                for (uint32_t tx = 0; tx < shape.width && ok; tx += shape.tile) {
                    std::fill(tile.begin(), tile.end(), 0);
                    for (uint32_t r = 0; r < shape.tile && ty + r < shape.height; ++r) {
                        const size_t count = std::min(shape.tile, shape.width - tx) * pixelBytes;
                        std::memcpy(tile.data() + r * shape.tile * pixelBytes,
                                    samples.data() + (ty + r) * rowBytes + tx * pixelBytes, count);
                    }
                    ok = TIFFWriteEncodedTile(tif, TIFFComputeTile(tif, tx, ty, 0, 0), tile.data(),
                                              static_cast<tmsize_t>(tile.size())) >= 0;
                }
            }
        } else {
            TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, shape.rowsPerStrip);
            for (uint32_t y = 0; y < shape.height && ok; y += shape.rowsPerStrip) {
                const uint32_t rows = std::min(shape.rowsPerStrip, shape.height - y);
                ok = TIFFWriteEncodedStrip(tif, TIFFComputeStrip(tif, y, 0),
                                           const_cast<uint8_t*>(samples.data()) + y * rowBytes,
                                           static_cast<tmsize_t>(rows * rowBytes)) >= 0;
            }
        }
    }
    TIFFClose(tif);
    if (!ok) throw std::runtime_error("TIFF write failed");
    return sink.bytes;
}

// TIFF of RGB samples stored as JPEG-compressed YCbCr, colour subsampled 2 x 2,
// in strips of rowsPerStrip rows or tiles of tile x tile pixels (a multiple
// of 16): what JPEG compression of an RGB TIFF usually gives.
inline std::vector<uint8_t> TiffYCbCrJpeg(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgb,
                                          uint32_t rowsPerStrip, uint32_t tile = 0, int quality = 90) {
    detail::TiffSink sink;
    TIFF* tif = TIFFClientOpen("seed", "w", &sink, detail::SinkRead, detail::SinkWrite, detail::SinkSeek,
                               detail::SinkClose, detail::SinkSize, nullptr, nullptr);
    if (tif == nullptr) throw std::runtime_error("TIFFClientOpen");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
    TIFFSetField(tif, TIFFTAG_YCBCRSUBSAMPLING, 2, 2);
    TIFFSetField(tif, TIFFTAG_JPEGQUALITY, quality);
    // libtiff takes RGB rows and converts them.
    TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    const size_t rowBytes = size_t{width} * 3;
    bool ok = true;
    if (tile != 0) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, tile);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, tile);
        std::vector<uint8_t> block(size_t{tile} * tile * 3);
        for (uint32_t ty = 0; ty < height && ok; ty += tile) {
            for (uint32_t tx = 0; tx < width && ok; tx += tile) {
                // Past the picture's edges the tile repeats its last pixels,
                // as an encoder pads blocks.
                for (uint32_t r = 0; r < tile; ++r) {
                    const uint8_t* row = rgb.data() + std::min(ty + r, height - 1) * rowBytes;
                    for (uint32_t c = 0; c < tile; ++c) {
                        std::memcpy(block.data() + (size_t{r} * tile + c) * 3, row + std::min(tx + c, width - 1) * 3, 3);
                    }
                }
                ok = TIFFWriteEncodedTile(tif, TIFFComputeTile(tif, tx, ty, 0, 0), block.data(),
                                          static_cast<tmsize_t>(block.size())) >= 0;
            }
        }
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
        for (uint32_t y = 0; y < height && ok; y += rowsPerStrip) {
            const uint32_t rows = std::min(rowsPerStrip, height - y);
            ok = TIFFWriteEncodedStrip(tif, TIFFComputeStrip(tif, y, 0), const_cast<uint8_t*>(rgb.data()) + y * rowBytes,
                                       static_cast<tmsize_t>(rows * rowBytes)) >= 0;
        }
    }
    TIFFClose(tif);
    if (!ok) throw std::runtime_error("TIFF write failed");
    return sink.bytes;
}

// Baseline JPEG of grey (1 component), RGB (3) or CMYK (4) samples;
// progressive, or arithmetic-coded instead of Huffman-coded, when asked.
inline std::vector<uint8_t> Jpeg(uint32_t width, uint32_t height, int components, const std::vector<uint8_t>& samples,
                                 int quality = 90, bool progressive = false, bool arithmetic = false) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long length = 0;
    jpeg_mem_dest(&info, &buffer, &length);
    info.image_width = width;
    info.image_height = height;
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    if (progressive) jpeg_simple_progression(&info);
    if (arithmetic) info.arith_code = TRUE;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < height) {
        JSAMPROW row = const_cast<uint8_t*>(samples.data()) + info.next_scanline * width * components;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> bytes(buffer, buffer + length);
    std::free(buffer);
    return bytes;
}

// PNM with the header written as given (magic, sizes, maxval and any
// comments) and the samples after it.
inline std::vector<uint8_t> Pnm(const std::string& header, const std::vector<uint8_t>& samples = {}) {
    std::vector<uint8_t> bytes(header.begin(), header.end());
    bytes.insert(bytes.end(), samples.begin(), samples.end());
    return bytes;
}

// Samples counting up from seed, varied enough that a swapped channel or
// row shows.
inline std::vector<uint8_t> Ramp(size_t count, uint32_t seed = 7) {
    std::vector<uint8_t> out(count);
    for (size_t i = 0; i < count; ++i) out[i] = static_cast<uint8_t>(seed + i * 37 + (i / 5) * 11);
    return out;
}

inline std::vector<uint16_t> Ramp16(size_t count, uint32_t seed = 7) {
    std::vector<uint16_t> out(count);
    for (size_t i = 0; i < count; ++i) out[i] = static_cast<uint16_t>(seed + i * 4099 + (i / 3) * 257);
    return out;
}

inline std::vector<uint8_t> HostBytes(const std::vector<uint16_t>& samples) {
    std::vector<uint8_t> out(samples.size() * 2);
    std::memcpy(out.data(), samples.data(), out.size());
    return out;
}

}  // namespace image_encoders
