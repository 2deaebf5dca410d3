// PBM, PGM and PPM (plain and raw) read by hand: the format is a short text
// header and the samples, which a library would not make safer. Samples
// keep the file's maxval as peak; above 255 they are 16-bit, big-endian in
// the raw forms. PBM gives grey 0 (black) and 255 (white).
#include <algorithm>
#include <cstring>
#include <string>

#include "error.h"
#include "image_decoders.h"

namespace {

class PnmReader {
public:
    explicit PnmReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    Image Read(const ImageLimits& limits) {
        if (bytes_.size() < 2 || bytes_[0] != 'P' || bytes_[1] < '1' || bytes_[1] > '6') {
            throw CitraError("not a PNM file (bad magic number)");
        }
        const int kind = bytes_[1] - '0';
        pos_ = 2;
        const bool bitmap = kind == 1 || kind == 4;
        const bool colour = kind == 3 || kind == 6;
        const bool plain = kind <= 3;
        const uint32_t width = Number("width");
        const uint32_t height = Number("height");
        uint32_t maxval = 1;
        if (!bitmap) {
            maxval = Number("maxval");
            if (maxval == 0 || maxval > 65535) {
                throw CitraError("maxval " + std::to_string(maxval) + " is outside 1..65535");
            }
        }
        if (!plain) {
            // Exactly one whitespace byte separates the header from the samples.
            if (pos_ >= bytes_.size() || !IsSpace(bytes_[pos_])) {
                throw CitraError("file cut short in the header", ErrorKind::CutShort);
            }
            ++pos_;
        }
        const int bitDepth = maxval > 255 ? 16 : 8;
        const ChannelLayout layout = colour ? ChannelLayout::Rgb : ChannelLayout::Grey;
        CheckImageLimits(width, height, ChannelCount(layout), bitDepth, limits);
        CheckRoomForSamples(kind, width, height, ChannelCount(layout), bitDepth);
        Image image = AllocateImage(width, height, layout, bitDepth, bitmap ? 255 : maxval, limits);
        if (bitmap) {
            plain ? ReadPlainBits(image) : ReadRawBits(image);
        } else if (plain) {
            ReadPlainSamples(image, maxval);
        } else {
            ReadRawSamples(image, maxval);
        }
        return image;
    }

private:
    static bool IsSpace(uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

    // Whitespace and comments (from '#' to the end of the line).
    void SkipSeparators() {
        while (pos_ < bytes_.size()) {
            if (IsSpace(bytes_[pos_])) {
                ++pos_;
            } else if (bytes_[pos_] == '#') {
                while (pos_ < bytes_.size() && bytes_[pos_] != '\n' && bytes_[pos_] != '\r') ++pos_;
            } else {
                break;
            }
        }
    }

    uint32_t Number(const char* what) {
        SkipSeparators();
        if (pos_ >= bytes_.size()) throw CitraError(std::string("file cut short before the ") + what, ErrorKind::CutShort);
        if (bytes_[pos_] < '0' || bytes_[pos_] > '9') {
            throw CitraError(std::string("bad number for the ") + what + " at byte " + std::to_string(pos_));
        }
        uint64_t value = 0;
        while (pos_ < bytes_.size() && bytes_[pos_] >= '0' && bytes_[pos_] <= '9') {
            value = value * 10 + (bytes_[pos_] - '0');
            if (value > 0x7FFFFFFF) {
                throw CitraError(std::string("number for the ") + what + " is too large");
            }
            ++pos_;
        }
        if (pos_ < bytes_.size() && !IsSpace(bytes_[pos_]) && bytes_[pos_] != '#') {
            throw CitraError(std::string("bad number for the ") + what + " at byte " + std::to_string(pos_));
        }
        return static_cast<uint32_t>(value);
    }

    [[noreturn]] static void ThrowCutShort(size_t sample, size_t count, const std::string& detail = "") {
        throw CitraError("file cut short: " + std::to_string(sample) + " of " + std::to_string(count) +
                             " samples present" + detail,
                         ErrorKind::CutShort);
    }

    // Refuses, before the samples are allocated, a file whose bytes after
    // the header cannot hold what it declares, so a few bytes never cost
    // the memory of a large picture. Raw samples take exactly their bytes;
    // a plain sample takes at least one digit and a separator before it (a
    // number ends at whitespace or a comment); a plain bitmap pixel at least
    // its one character, after the separator that ends the height.
    void CheckRoomForSamples(int kind, uint64_t width, uint64_t height, int channels, int bitDepth) const {
        const uint64_t count = width * height * static_cast<uint64_t>(channels);
        const uint64_t held = bytes_.size() - pos_;
        const bool plain = kind <= 3;
        const uint64_t needed = kind == 1   ? count + 1
                                : plain     ? 2 * count
                                : kind == 4 ? (width + 7) / 8 * height
                                            : count * (bitDepth == 16 ? 2 : 1);
        if (held >= needed) return;
        const std::string detail = " (holds " + std::to_string(held) + " bytes of samples, needs " +
                                   (plain ? "at least " : "") + std::to_string(needed) + ")";
        ThrowCutShort(plain ? PlainSamplesPresent(kind) : RawSamplesPresent(kind, width, held, bitDepth), count,
                      detail);
    }

    static uint64_t RawSamplesPresent(int kind, uint64_t width, uint64_t held, int bitDepth) {
        if (kind == 4) return held / ((width + 7) / 8) * width;
        return held / (bitDepth == 16 ? 2 : 1);
    }

    // The samples a plain file holds before its end, counted without
    // storing them: runs of digits outside comments, each digit of a bitmap.
    uint64_t PlainSamplesPresent(int kind) const {
        uint64_t present = 0;
        bool inComment = false, inNumber = false;
        for (size_t i = pos_; i < bytes_.size(); ++i) {
            const uint8_t c = bytes_[i];
            if (inComment) {
                inComment = c != '\n' && c != '\r';
                continue;
            }
            const bool digit = c >= '0' && c <= '9';
            if (digit && (kind == 1 || !inNumber)) ++present;
            inNumber = digit;
            inComment = c == '#';
        }
        return present;
    }

    [[noreturn]] static void ThrowAboveMaxval(size_t sample, uint32_t value, uint32_t maxval) {
        throw CitraError("sample " + std::to_string(sample) + " is " + std::to_string(value) + ", above maxval " +
                         std::to_string(maxval));
    }

    void ReadPlainSamples(Image& image, uint32_t maxval) {
        const size_t count = image.SampleCount();
        for (size_t i = 0; i < count; ++i) {
            SkipSeparators();
            if (pos_ >= bytes_.size()) ThrowCutShort(i, count);
            const uint32_t value = Number("sample");
            if (value > maxval) ThrowAboveMaxval(i, value, maxval);
            if (image.bitDepth == 16) {
                image.samples16[i] = static_cast<uint16_t>(value);
            } else {
                image.samples8[i] = static_cast<uint8_t>(value);
            }
        }
    }

    // Raw samples in bulk: 8-bit ones copied (a maxval of 255 needs no
    // check), 16-bit ones swapped from big-endian; the largest is then
    // checked against maxval in one pass, and only a file that breaks it
    // is walked again to name the first sample above.
    void ReadRawSamples(Image& image, uint32_t maxval) {
        const size_t count = image.SampleCount();
        const size_t size = image.bitDepth == 16 ? 2 : 1;
        const size_t available = (bytes_.size() - pos_) / size;
        if (available < count) ThrowCutShort(available, count);
        const uint8_t* in = bytes_.data() + pos_;
        uint32_t largest = 0;
        if (size == 1) {
            std::memcpy(image.samples8.data(), in, count);
            if (maxval < 255) largest = LargestOf(image.samples8.data(), count);
        } else {
            uint16_t* out = image.samples16.data();
            for (size_t i = 0; i < count; ++i) out[i] = static_cast<uint16_t>((in[2 * i] << 8) | in[2 * i + 1]);
            if (maxval < 65535) largest = LargestOf(out, count);
        }
        if (largest <= maxval) return;
        for (size_t i = 0; i < count; ++i) {
            const uint32_t value = size == 2 ? image.samples16[i] : image.samples8[i];
            if (value > maxval) ThrowAboveMaxval(i, value, maxval);
        }
    }

    template <typename T>
    static uint32_t LargestOf(const T* samples, size_t count) {
        T largest = 0;
        for (size_t i = 0; i < count; ++i) largest = std::max(largest, samples[i]);  // vectorised
        return largest;
    }

    // Plain PBM: one character '0' or '1' a pixel, separators optional.
    void ReadPlainBits(Image& image) {
        const size_t count = image.SampleCount();
        for (size_t i = 0; i < count; ++i) {
            SkipSeparators();
            if (pos_ >= bytes_.size()) ThrowCutShort(i, count);
            const uint8_t c = bytes_[pos_++];
            if (c != '0' && c != '1') {
                throw CitraError("bad PBM pixel at byte " + std::to_string(pos_ - 1));
            }
            image.samples8[i] = c == '1' ? 0 : 255;
        }
    }

    // Raw PBM: rows of bits, most significant first, each row whole bytes.
    void ReadRawBits(Image& image) {
        const size_t width = static_cast<size_t>(image.width);
        const size_t rowBytes = (width + 7) / 8;
        const size_t rows = static_cast<size_t>(image.height);
        const size_t available = bytes_.size() - pos_;
        if (available / rowBytes < rows) ThrowCutShort(available / rowBytes * width, image.SampleCount());
        for (size_t y = 0; y < rows; ++y) {
            const uint8_t* in = bytes_.data() + pos_ + y * rowBytes;
            for (size_t x = 0; x < width; ++x) {
                image.samples8[y * width + x] = (in[x / 8] >> (7 - x % 8)) & 1 ? 0 : 255;
            }
        }
    }

    std::span<const uint8_t> bytes_;
    size_t pos_ = 0;
};

}  // namespace

Image DecodePnm(std::span<const uint8_t> bytes, const ImageLimits& limits) {
    return PnmReader(bytes).Read(limits);
}
