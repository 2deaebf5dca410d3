#include "metafile_reader.h"

#include <vector>

#include "error.h"
#include "input_file.h"
#include "little_endian.h"
#include "messages.h"

namespace {

constexpr size_t kEnhancedHeaderSize = 100;
constexpr uint32_t kEnhancedSignature = 0x464D4520;  // " EMF"
constexpr uint32_t kEmrHeader = 1;
constexpr uint32_t kEmrEof = 14;

constexpr size_t kPlaceableHeaderSize = 22;
constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kMetaHeaderSize = 18;
constexpr uint16_t kMetaEof = 0x0000;

[[noreturn]] void ThrowInvalid() {
    throw CitraError(msg::kMetafileInvalid);
}

bool IsEnhanced(const uint8_t* header, uint64_t fileSize) {
    return fileSize > kEnhancedHeaderSize && Le32(header) == kEmrHeader && Le32(header + 40) == kEnhancedSignature;
}

OtherGraphic ReadEnhanced(InputFile& file, const uint8_t* header) {
    const uint32_t total = Le32(header + 48);
    if (total < kEnhancedHeaderSize) {
        ThrowInvalid();
    }
    if (total > file.Size()) {
        throw CitraError(msg::kStreamRead);
    }
    file.SeekTo(0);
    const SampleBytes metafile = file.ReadBlock(total);
    if (!EnhancedRecordsValid(metafile)) {
        ThrowInvalid();
    }
    return OtherGraphic{PictureKind::Metafile, 0, 0};
}

OtherGraphic ReadPlaceable(InputFile& file) {
    if (file.Size() < kPlaceableHeaderSize) {
        ThrowInvalid();
    }
    file.SeekTo(0);
    const SampleBytes data = file.ReadBlock(file.Size());
    if (Le32(data.data()) != kPlaceableKey) {
        ThrowInvalid();
    }
    uint16_t checksum = 0;
    for (size_t at = 0; at < 20; at += 2) {
        checksum ^= Le16(data.data() + at);
    }
    if (checksum != Le16(data.data() + 20)) {
        ThrowInvalid();
    }
    if (!WindowsRecordsValid(std::span<const uint8_t>(data).subspan(kPlaceableHeaderSize))) {
        ThrowInvalid();
    }
    return OtherGraphic{PictureKind::Metafile, 0, 0};
}

}  // namespace

bool EnhancedRecordsValid(std::span<const uint8_t> metafile) {
    const uint64_t total = metafile.size();
    uint64_t at = 0;
    while (at + 8 <= total) {
        const uint32_t type = Le32(metafile.data() + at);
        const uint32_t size = Le32(metafile.data() + at + 4);
        if (size < 8 || size % 4 != 0 || size > total - at) {
            return false;
        }
        if (at == 0 && (type != kEmrHeader || size < 88)) {
            return false;
        }
        at += size;
        if (type == kEmrEof) {
            return at == total;
        }
    }
    return false;
}

bool WindowsRecordsValid(std::span<const uint8_t> metafile) {
    if (metafile.size() < kMetaHeaderSize) {
        return false;
    }
    const uint16_t type = Le16(metafile.data());
    const uint16_t headerWords = Le16(metafile.data() + 2);
    if ((type != 1 && type != 2) || headerWords != kMetaHeaderSize / 2) {
        return false;
    }
    const uint64_t total = metafile.size();
    uint64_t at = kMetaHeaderSize;
    while (at + 6 <= total) {
        const uint64_t bytes = uint64_t{Le32(metafile.data() + at)} * 2;
        const uint16_t function = Le16(metafile.data() + at + 4);
        if (bytes < 6 || bytes > total - at) {
            return false;
        }
        if (function == kMetaEof) {
            return true;
        }
        at += bytes;
    }
    return false;
}

OtherGraphic ReadMetafile(InputFile& file) {
    uint8_t header[kEnhancedHeaderSize] = {};
    const size_t got = file.ReadUpTo(header, sizeof header);
    if (got == sizeof header && IsEnhanced(header, file.Size())) {
        return ReadEnhanced(file, header);
    }
    return ReadPlaceable(file);
}
