#include "jpeg_writer.h"

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "error.h"
#include "jpeg_errors.h"

namespace {

// Only trivially destructible objects live in this frame, so leaving it
// with longjmp skips no destructor; the buffer is freed by the caller.
bool Compress(const Image& image, int quality, JpegErrors& errors, unsigned char*& buffer, unsigned long& length) {
    jpeg_compress_struct info{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = JpegErrorExit;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &length);
    const int components = image.Channels();
    info.image_width = static_cast<JDIMENSION>(image.width);
    info.image_height = static_cast<JDIMENSION>(image.height);
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    const size_t rowSamples = static_cast<size_t>(image.width) * static_cast<size_t>(components);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPLE*>(image.samples8.data() + info.next_scanline * rowSamples);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

}  // namespace

std::string EncodeJpeg(const Image& image, int quality) {
    if (image.bitDepth != 8 || (image.layout != ChannelLayout::Grey && image.layout != ChannelLayout::Rgb) ||
        image.width <= 0 || image.height <= 0 || image.samples8.size() != image.SampleCount())
        throw CitraError("JPEG error: only non-empty 8-bit grey or RGB images are written");
    JpegErrors errors{};
    unsigned char* buffer = nullptr;
    unsigned long length = 0;
    const bool done = Compress(image, quality, errors, buffer, length);
    std::string bytes = done ? std::string(reinterpret_cast<const char*>(buffer), length) : std::string();
    std::free(buffer);
    if (!done) throw CitraError(std::string("JPEG error: ") + errors.message);
    return bytes;
}
