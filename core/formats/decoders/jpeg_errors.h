#pragma once
// libjpeg's errors turned into a jump back to the caller with the library's
// message, instead of its default of printing and exiting. Both the reader
// and the writer use it:
//   JpegErrors errors{};  info.err = jpeg_std_error(&errors.base);
//   errors.base.error_exit = JpegErrorExit;  if (setjmp(errors.jump)) { ...errors.message... }
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

struct JpegErrors {
    jpeg_error_mgr base;  // first, so the library's pointer is one to this
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] inline void JpegErrorExit(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}
