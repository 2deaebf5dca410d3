#include "formats.h"

#include <array>
#include <cctype>

#include "image_decoders.h"

namespace {

constexpr std::array<std::string_view, 1> kBmp{"bmp"};
constexpr std::array<std::string_view, 1> kPng{"png"};
constexpr std::array<std::string_view, 4> kPnm{"pbm", "pgm", "ppm", "pnm"};
constexpr std::array<std::string_view, 2> kTiff{"tif", "tiff"};
constexpr std::array<std::string_view, 2> kJpeg{"jpg", "jpeg"};
constexpr std::array<std::string_view, 1> kIcon{"ico"};
constexpr std::array<std::string_view, 2> kMetafile{"wmf", "emf"};

const std::array<Format, 7> kFormats{{
    {FormatId::Bmp, "bmp", kBmp, PictureKind::Bitmap, DecodeBmp},
    {FormatId::Png, "png", kPng, PictureKind::Empty, DecodePng, DecodePngOwned},
    {FormatId::Pnm, "pnm", kPnm, PictureKind::Empty, DecodePnm},
    {FormatId::Tiff, "tiff", kTiff, PictureKind::Empty, DecodeTiff},
    {FormatId::Jpeg, "jpeg", kJpeg, PictureKind::Jpeg, DecodeJpeg},
    {FormatId::Icon, "ico", kIcon, PictureKind::Icon, nullptr},
    {FormatId::Metafile, "metafile", kMetafile, PictureKind::Metafile, nullptr},
}};

bool SameIgnoringCase(std::string_view known, std::string_view extension) {
    if (known.size() != extension.size()) return false;
    for (size_t i = 0; i < known.size(); ++i)
        if (known[i] != std::tolower(static_cast<unsigned char>(extension[i]))) return false;
    return true;
}

}  // namespace

std::span<const Format> Formats() { return kFormats; }

std::string_view FileExtension(std::string_view path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos) return {};
    return path.substr(dot + 1);
}

const Format* FormatOfExtension(std::string_view extension) {
    if (extension.empty()) return nullptr;
    for (const Format& format : kFormats)
        for (std::string_view known : format.extensions)
            if (SameIgnoringCase(known, extension)) return &format;
    return nullptr;
}

const Format* FormatOfPath(std::string_view path) { return FormatOfExtension(FileExtension(path)); }

bool IsImagePath(std::string_view path) {
    const Format* format = FormatOfPath(path);
    return format != nullptr && format->decode != nullptr;
}

std::string ImageExtensionList() {
    std::string list;
    for (const Format& format : kFormats) {
        if (format.decode == nullptr) continue;
        for (std::string_view extension : format.extensions) {
            if (!list.empty()) list += ", ";
            list += extension;
        }
    }
    return list;
}
