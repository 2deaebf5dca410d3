#include "jpeg_reader.h"

#include <csetjmp>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "error.h"
#include "input_file.h"
#include "messages.h"

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

// The library's default would print and exit; return to ReadJpegHeader instead.
[[noreturn]] void ErrorExit(j_common_ptr info) {
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    std::longjmp(manager->jump, 1);
}

// Warnings are not reported.
void OutputMessage(j_common_ptr) {}

}  // namespace

// Only trivially destructible objects live in this frame, so leaving it
// with longjmp skips no destructor.
int ReadJpegHeader(const uint8_t* data, size_t size, int32_t& width, int32_t& height) {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = ErrorExit;
    errors.base.output_message = OutputMessage;

    if (setjmp(errors.jump) != 0) {
        const int code = errors.base.msg_code;
        jpeg_destroy_decompress(&info);
        return code != 0 ? code : -1;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    width = static_cast<int32_t>(info.image_width);
    height = static_cast<int32_t>(info.image_height);
    jpeg_destroy_decompress(&info);
    return 0;
}

OtherGraphic ReadJpegFile(InputFile& file) {
    const SampleBytes data = file.ReadBlock(file.Size());
    OtherGraphic graphic{PictureKind::Jpeg, 0, 0};
    if (data.empty()) {
        return graphic;
    }
    const int code = ReadJpegHeader(data.data(), data.size(), graphic.width, graphic.height);
    if (code != 0) {
        throw CitraError(msg::JpegError(code));
    }
    return graphic;
}
