// ReadImage: the decoder the format table names for the extension, the limit checks the
// decoders share, and the file name put in front of every message.
#include "image_reader.h"

#include <new>
#include <optional>
#include <vector>

#include "error.h"
#include "formats.h"
#include "image_decoders.h"
#include "input_file.h"

namespace {

ImageDecoder FindDecoder(std::string_view extension) {
    const Format* format = FormatOfExtension(extension);
    return format == nullptr ? nullptr : format->decode;
}

}  // namespace

void CheckImageLimits(uint64_t width, uint64_t height, int channels, int bitDepth, const ImageLimits& limits) {
    if (width == 0 || height == 0) {
        throw CitraError("image has no pixels (" + std::to_string(width) + " x " + std::to_string(height) + ")",
                         ErrorKind::Refused);
    }
    if (width > static_cast<uint64_t>(limits.maxWidth) || height > static_cast<uint64_t>(limits.maxHeight)) {
        throw CitraError("image size " + std::to_string(width) + " x " + std::to_string(height) +
                         " is above the limit of " + std::to_string(limits.maxWidth) + " x " +
                         std::to_string(limits.maxHeight),
                         ErrorKind::Refused);
    }
    // Both factors are below 2^31 here, so the product cannot overflow.
    const uint64_t bytes = width * height * static_cast<uint64_t>(channels) * (bitDepth > 8 ? 2u : 1u);
    if (bytes > limits.maxSampleBytes) {
        throw CitraError("decoded image needs " + std::to_string(bytes) + " bytes, above the limit of " +
                         std::to_string(limits.maxSampleBytes),
                         ErrorKind::Refused);
    }
}

Image AllocateImage(uint64_t width, uint64_t height, ChannelLayout layout, int bitDepth, uint32_t peak,
                    const ImageLimits& limits) {
    CheckImageLimits(width, height, ChannelCount(layout), bitDepth, limits);
    Image image;
    image.width = static_cast<int32_t>(width);
    image.height = static_cast<int32_t>(height);
    image.layout = layout;
    image.bitDepth = bitDepth;
    image.peak = peak;
    try {
        if (bitDepth > 8) {
            image.samples16.resize(image.SampleCount());
        } else {
            image.samples8.resize(image.SampleCount());
        }
    } catch (const std::bad_alloc&) {
        throw CitraError("out of memory", ErrorKind::OutOfMemory);
    }
    return image;
}

namespace {

// The decoder's messages get the file's name in front.
template <typename Decode>
Image DecodeNamed(const std::string& name, Decode&& decode) {
    try {
        return decode();
    } catch (const CitraError& e) {
        throw CitraError(name + ": " + e.what(), e.Kind());
    } catch (const std::bad_alloc&) {
        throw CitraError(name + ": out of memory", ErrorKind::OutOfMemory);
    }
}

}  // namespace

Image ReadImage(std::span<const uint8_t> bytes, std::string_view extension, const std::string& name,
                const ImageLimits& limits) {
    const ImageDecoder decode = FindDecoder(extension);
    if (decode == nullptr) {
        throw CitraError(name + ": unsupported file extension (." + std::string(extension) + ")", ErrorKind::Refused);
    }
    if (bytes.empty()) {
        throw CitraError(name + ": file is empty", ErrorKind::CutShort);
    }
    return DecodeNamed(name, [&] { return decode(bytes, limits); });
}

Image ReadImage(const std::string& path, const ImageLimits& limits) {
    const std::string_view extension = FileExtension(path);
    const Format* format = FormatOfExtension(extension);
    if (format == nullptr || format->decode == nullptr) {
        throw CitraError(path + ": unsupported file extension (." + std::string(extension) + ")", ErrorKind::Refused);
    }
    SampleBytes bytes;
    std::optional<InputFile> file;
    try {
        file.emplace(path);
        bytes = file->ReadBlock(file->Size());
    } catch (const CitraError& e) {
        throw CitraError(path + ": " + e.what(), e.Kind());
    }
    file->ThrowIfChanged();  // its message names the file
    if (format->decodeOwned == nullptr || bytes.empty()) return ReadImage(bytes, extension, path, limits);
    // The buffer is this function's own: the decoder may rearrange it.
    return DecodeNamed(path, [&] { return format->decodeOwned(std::span<uint8_t>(bytes.data(), bytes.size()), limits); });
}
