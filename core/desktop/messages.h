#pragma once
// Every text the core puts into a message, in one place; the desktop
// program and the citra tool show them as they stand.
#include <string>

namespace msg {
inline constexpr const char* kNot24Bit = "Program ini hanya untuk citra dengan format pixel 24 bit";
inline constexpr const char* kSizeDiffers = "Luas citra asli dan Luas citra hasil manipulasi tidak sama!";
inline constexpr const char* kScanLine = "Scan line index out of range";
inline constexpr const char* kStreamRead = "Stream read error";
inline constexpr const char* kBitmapInvalid = "Bitmap image is not valid";
inline constexpr const char* kIconInvalid = "Icon image is not valid";
inline constexpr const char* kMetafileInvalid = "Metafile is not valid";

// Reasons of a failed file-size query.
inline constexpr const char* kFileNotFound = "File not found";
inline constexpr const char* kInvalidFilename = "Invalid filename";
inline constexpr const char* kTooManyOpenFiles = "Too many open files";
inline constexpr const char* kFileAccessDenied = "File access denied";

// A metric that is not a finite number.
inline constexpr const char* kNotANumber = "NAN";
inline constexpr const char* kInfinity = "INF";
inline constexpr const char* kMinusInfinity = "-INF";

inline std::string IoError(int err) { return "I/O error " + std::to_string(err); }
inline std::string CannotOpenFile(const std::string& absolutePath, const std::string& reason) {
    return "Cannot open file \"" + absolutePath + "\". " + reason;
}
inline std::string UnknownExtension(const std::string& extension) {
    return "Unknown picture file extension (." + extension + ")";
}
inline std::string JpegError(int code) { return "JPEG error #" + std::to_string(code); }
// The system's own text for the error number follows the line break.
inline std::string SystemError(int err, const std::string& systemText) {
    return "System Error.  Code: " + std::to_string(err) + ".\r\n" + systemText;
}
}  // namespace msg
