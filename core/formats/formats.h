#pragma once
// The one table of the file formats the tool knows: each format once, with
// its extensions, the kind the desktop program's loader reads it as (if it
// does), and the decoder that gives its samples to the field's measures (if
// there is one). Every question "is this file an image, and of which kind"
// is answered here. Adding a format: a row in formats.cpp and a decoder file
// in decoders/.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "image.h"

// What the desktop program's loader makes of a file: a Bitmap, or a graphic
// of another kind of which only the size is kept.
enum class PictureKind { Empty, Bitmap, Icon, Metafile, Jpeg };

enum class FormatId { Bmp, Png, Pnm, Tiff, Jpeg, Icon, Metafile };

// Whole file in memory -> decoded image; throws CitraError with the text
// that follows "<file>: ".
using ImageDecoder = Image (*)(std::span<const uint8_t> bytes, const ImageLimits& limits);
// The same for a whole file the caller has read into memory of its own and
// no longer needs: the decoder may rearrange the bytes.
using OwnedImageDecoder = Image (*)(std::span<uint8_t> bytes, const ImageLimits& limits);

struct Format {
    FormatId id;
    std::string_view name;                        // as `info` shows it: "bmp", "png", ...
    std::span<const std::string_view> extensions;  // lower case, without the dot
    PictureKind desktopKind;                      // Empty: the desktop loader does not take it
    ImageDecoder decode;                          // null: no decoded samples (icon, metafile)
    OwnedImageDecoder decodeOwned = nullptr;      // null: `decode` serves owned bytes too
};

// Every format, in the order the help lists them.
std::span<const Format> Formats();

// The extension rule: the characters after the last '.', unless a '/'
// follows it; empty when there is none.
std::string_view FileExtension(std::string_view path);

// The format of a file by its extension (any letter case), or null.
const Format* FormatOfExtension(std::string_view extension);
const Format* FormatOfPath(std::string_view path);

// A file the decoders read (ReadImage), by its name: the files a folder
// stands for, and the files every research command takes.
bool IsImagePath(std::string_view path);

// The extensions of the decoded formats, ", "-separated, for help texts.
std::string ImageExtensionList();
