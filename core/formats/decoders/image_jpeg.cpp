// JPEG through libjpeg-turbo: grey, or RGB converted by the library from
// YCbCr; CMYK is refused. The limits are checked on the header, before
// anything is decompressed; a file cut short is an error.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <new>
#include <string>

#include <jpeglib.h>
#include <jerror.h>

#include "error.h"
#include "image_decoders.h"
#include "jpeg_errors.h"

namespace {

// Progressive files can have any number of scans; this many is far above
// what an encoder writes, and bounds the decoding time of hostile files.
constexpr int kMaxScans = 1000;

// libjpeg warns, and goes on with made-up samples, where the data are
// corrupt or end early: each such warning is an error, as a picture that
// lacks data has no numbers of its own. Other warnings (an unknown JFIF
// revision, an odd Adobe marker) are not reported.
bool CorruptData(int code) {
    switch (code) {
    case JWRN_ARITH_BAD_CODE:
    case JWRN_BOGUS_PROGRESSION:
    case JWRN_EXTRANEOUS_DATA:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_JPEG_EOF:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
        return true;
    default:
        return false;
    }
}

void EmitMessage(j_common_ptr info, int level) {
    if (level < 0 && CorruptData(info->err->msg_code)) JpegErrorExit(info);
}

void Progress(j_common_ptr info) {
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > kMaxScans) {
        auto* manager = reinterpret_cast<JpegErrors*>(info->err);
        std::snprintf(manager->message, sizeof manager->message, "more than %d scans", kMaxScans);
        std::longjmp(manager->jump, 1);
    }
}

// Refuses, after the header and before anything is allocated, a file too
// short for the size it declares. With Huffman coding every 8 x 8 block of
// every component has a DC code of at least one bit in the first scan that
// holds the component's DC coefficients, and a component has
// ceil(its width / 8) x ceil(its height / 8) blocks (an interleaved scan
// codes more: whole MCUs). What follows the first scan's header holds all
// the coded data, so it must hold those bits. Arithmetic coding can spend a
// small fraction of a bit on a block of a flat picture: no bound for it.
void CheckCodedBytes(const jpeg_decompress_struct& info) {
    if (info.arith_code) return;
    uint64_t blocks = 0;
    for (int c = 0; c < info.num_components; ++c) {
        const jpeg_component_info& component = info.comp_info[c];
        blocks += static_cast<uint64_t>(component.width_in_blocks) * component.height_in_blocks;
    }
    const uint64_t needed = (blocks + 7) / 8;
    const uint64_t held = info.src->bytes_in_buffer;
    if (held < needed) {
        throw CitraError("file cut short: holds " + std::to_string(held) + " bytes of coded data, needs at least " +
                             std::to_string(needed) + " for " + std::to_string(info.image_width) + " x " +
                             std::to_string(info.image_height),
                         ErrorKind::CutShort);
    }
}

enum class Outcome { Done, LibraryError, Refused };

// Only trivially destructible objects live in this frame, so leaving it
// with longjmp skips no destructor; image and refusal belong to the caller.
Outcome DecodeInto(std::span<const uint8_t> bytes, const ImageLimits& limits, JpegErrors& errors, Image& image,
                   std::string& refusal, ErrorKind& refusalKind) {
    jpeg_decompress_struct info{};
    jpeg_progress_mgr progress{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = JpegErrorExit;
    errors.base.emit_message = EmitMessage;
    if (setjmp(errors.jump) != 0) {
        jpeg_destroy_decompress(&info);
        return Outcome::LibraryError;
    }
    jpeg_create_decompress(&info);
    progress.progress_monitor = Progress;
    info.progress = &progress;
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);

    ChannelLayout layout;
    if (info.jpeg_color_space == JCS_GRAYSCALE && info.num_components == 1) {
        layout = ChannelLayout::Grey;
        info.out_color_space = JCS_GRAYSCALE;
    } else if ((info.jpeg_color_space == JCS_YCbCr || info.jpeg_color_space == JCS_RGB) && info.num_components == 3) {
        layout = ChannelLayout::Rgb;
        info.out_color_space = JCS_RGB;
    } else {
        refusal = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK
                      ? "CMYK JPEG is not supported"
                      : "JPEG colour space " + std::to_string(info.jpeg_color_space) + " with " +
                            std::to_string(info.num_components) + " components is not supported";
        jpeg_destroy_decompress(&info);
        return Outcome::Refused;
    }
    // The coefficient buffers of a progressive file are the library's
    // largest allocation: 64 two-byte coefficients for each block of 64
    // samples, twice the samples of a picture the limits allow. The rest
    // (tables, a few rows of blocks, edges padded to whole blocks of sides
    // below 65536) fits in the margin. Asked for more, the library stops
    // with an error before it decodes.
    info.mem->max_memory_to_use =
        static_cast<long>(std::min<uint64_t>(std::min<uint64_t>(limits.maxSampleBytes, LONG_MAX / 4) * 2 + (32u << 20),
                                             LONG_MAX));
    try {
        CheckImageLimits(info.image_width, info.image_height, ChannelCount(layout), 8, limits);
        CheckCodedBytes(info);
        image = AllocateImage(info.image_width, info.image_height, layout, 8, 255, limits);
    } catch (const CitraError& e) {
        refusal = e.what();
        refusalKind = e.Kind();
        jpeg_destroy_decompress(&info);
        return Outcome::Refused;
    }
    jpeg_start_decompress(&info);
    const size_t rowSamples = static_cast<size_t>(info.output_width) * static_cast<size_t>(info.output_components);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.samples8.data() + static_cast<size_t>(info.output_scanline) * rowSamples;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return Outcome::Done;
}

}  // namespace

Image DecodeJpeg(std::span<const uint8_t> bytes, const ImageLimits& limits) {
    JpegErrors errors{};
    Image image;
    std::string refusal;
    ErrorKind refusalKind = ErrorKind::Refused;
    switch (DecodeInto(bytes, limits, errors, image, refusal, refusalKind)) {
        case Outcome::Done:
            return image;
        case Outcome::LibraryError:
            throw CitraError(std::string("JPEG error: ") + errors.message);
        case Outcome::Refused:
            break;
    }
    throw CitraError(refusal, refusalKind);
}
