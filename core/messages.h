#pragma once
// Texts the core shares with the desktop program and the citra tool.
namespace msg {
inline constexpr const char* kNot24Bit = "Program ini hanya untuk citra dengan format pixel 24 bit";
inline constexpr const char* kSizeDiffers = "Luas citra asli dan Luas citra hasil manipulasi tidak sama!";
inline constexpr const char* kInvalidFloat = "Invalid floating point operation";
inline constexpr const char* kScanLine = "Scan line index out of range";
inline constexpr const char* kStreamRead = "Stream read error";
inline constexpr const char* kBitmapInvalid = "Bitmap image is not valid";
inline constexpr const char* kIconInvalid = "Icon image is not valid";
inline constexpr const char* kMetafileInvalid = "Metafile is not valid";
}  // namespace msg
