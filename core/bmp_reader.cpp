#include "bmp_reader.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <new>
#include <vector>

#include "error.h"
#include "input_file.h"
#include "little_endian.h"
#include "messages.h"
#include "platform_error.h"
#include "rle_decoder.h"

namespace {

constexpr uint64_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint64_t kMaxColourEntries = 256;

constexpr uint32_t kCompressionNone = 0;
constexpr uint32_t kCompressionRle8 = 1;
constexpr uint32_t kCompressionRle4 = 2;
constexpr uint32_t kCompressionBitFields = 3;

// The fields of BITMAPCOREHEADER or BITMAPINFOHEADER that the reader uses.
struct BitmapHeader {
    uint32_t size = 0;
    bool core = false;
    int32_t width = 0;
    int32_t height = 0;  // as stored: negative means top row first
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    uint32_t compression = kCompressionNone;
    uint32_t imageSize = 0;
    uint32_t coloursUsed = 0;
    std::array<uint32_t, 3> masks{};
};

[[noreturn]] void ThrowInvalid() {
    throw CitraError(msg::kBitmapInvalid);
}

[[noreturn]] void ThrowStreamRead() {
    throw CitraError(msg::kStreamRead);
}

// Step 11: the raster store refused, or memory ran out (errno set).
[[noreturn]] void ThrowRasterRefused(int err) {
    if (err != 0) {
        throw CitraError(SystemErrorMessage(err));
    }
    ThrowInvalid();
}

BitmapHeader ReadHeader(InputFile& file) {
    uint8_t sizeField[4];
    file.ReadExact(sizeField, sizeof sizeField);
    BitmapHeader header;
    header.size = Le32(sizeField);

    if (header.size == kCoreHeaderSize) {
        uint8_t fields[8];
        file.ReadExact(fields, sizeof fields);
        header.core = true;
        header.width = Le16(fields);
        header.height = Le16(fields + 2);
        header.planes = Le16(fields + 4);
        header.bitCount = Le16(fields + 6);
        return header;
    }
    if (header.size < kInfoHeaderSize) {
        ThrowInvalid();
    }
    // A longer header is read whole: it must lie inside the file.
    if (header.size - 4 > file.Remaining()) {
        ThrowStreamRead();
    }
    // Header bytes 4 to 51: the BITMAPINFOHEADER fields and, in the longer
    // headers, the three colour masks.
    uint8_t fields[48] = {};
    file.ReadExact(fields, std::min<size_t>(header.size - 4, sizeof fields));
    file.SeekTo(kFileHeaderSize + header.size);

    header.width = LeI32(fields);
    header.height = LeI32(fields + 4);
    header.planes = Le16(fields + 8);
    header.bitCount = Le16(fields + 10);
    header.compression = Le32(fields + 12);
    header.imageSize = Le32(fields + 16);
    header.coloursUsed = Le32(fields + 28);
    if (header.size >= 52 && header.compression == kCompressionBitFields) {
        header.masks = {Le32(fields + 36), Le32(fields + 40), Le32(fields + 44)};
    }
    return header;
}

std::vector<uint32_t> ReadColourTable(InputFile& file, const BitmapHeader& header) {
    uint64_t count = header.coloursUsed;
    if (count == 0) {
        switch (header.bitCount) {
            case 1: count = 2; break;
            case 4: count = 16; break;
            case 8: count = 256; break;
            default: count = 0; break;
        }
    }
    const uint64_t entrySize = header.core ? 3 : 4;
    const uint64_t tableBytes = count * entrySize;
    if (tableBytes > file.Remaining()) {
        ThrowStreamRead();
    }
    // The table store holds 256 entries; further entries are skipped.
    const uint64_t kept = std::min(count, kMaxColourEntries);
    uint8_t raw[kMaxColourEntries * 4];
    file.ReadExact(raw, static_cast<size_t>(kept * entrySize));
    file.SeekTo(file.Position() + (tableBytes - kept * entrySize));

    std::vector<uint32_t> table(static_cast<size_t>(kept));
    for (size_t i = 0; i < table.size(); ++i) {
        const uint8_t* entry = raw + i * entrySize;
        table[i] = static_cast<uint32_t>(entry[0]) | (static_cast<uint32_t>(entry[1]) << 8) |
                   (static_cast<uint32_t>(entry[2]) << 16) |
                   (entrySize == 4 ? static_cast<uint32_t>(entry[3]) << 24 : 0u);
    }
    return table;
}

// Combinations the raster store refuses before any allocation.
void CheckRasterCombination(const BitmapHeader& header) {
    switch (header.compression) {
        case kCompressionNone:
            break;
        case kCompressionBitFields:
            if (header.bitCount != 16 && header.bitCount != 32) {
                ThrowInvalid();
            }
            break;
        case kCompressionRle8:
        case kCompressionRle4:
            // Run-length data are always stored bottom row first.
            if (header.bitCount != (header.compression == kCompressionRle8 ? 8 : 4) || header.height < 0) {
                ThrowInvalid();
            }
            break;
        default:
            ThrowInvalid();
    }
    if (header.width <= 0 || header.height == 0 || header.height == INT32_MIN) {
        ThrowInvalid();
    }
}

}  // namespace

std::unique_ptr<Bitmap> ReadBitmapFile(InputFile& file) {
    auto bitmap = std::make_unique<Bitmap>();
    if (file.Size() == 0) {
        return bitmap;
    }

    uint8_t fileHeader[kFileHeaderSize];
    file.ReadExact(fileHeader, sizeof fileHeader);
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M') {
        ThrowInvalid();
    }
    const uint64_t pixelOffset = Le32(fileHeader + 10);

    BitmapHeader header = ReadHeader(file);
    if (header.planes != 1) {
        ThrowInvalid();
    }
    if (header.size == kInfoHeaderSize && (header.bitCount == 16 || header.bitCount == 32) &&
        header.compression == kCompressionBitFields) {
        uint8_t masks[12];
        file.ReadExact(masks, sizeof masks);
        header.masks = {Le32(masks), Le32(masks + 4), Le32(masks + 8)};
    }
    std::vector<uint32_t> colourTable = ReadColourTable(file, header);

    // Pixel data may not overlap the headers, masks or colour table.
    if (pixelOffset < file.Position()) {
        ThrowInvalid();
    }
    CheckRasterCombination(header);

    const bool topDown = !header.core && header.height < 0;
    const int32_t height = header.height < 0 ? -header.height : header.height;
    const uint64_t expected = header.imageSize != 0
                                  ? header.imageSize
                                  : Bitmap::StrideFor(header.width, header.bitCount) * static_cast<uint64_t>(height);
    const uint64_t available = pixelOffset < file.Size() ? file.Size() - pixelOffset : 0;
    uint64_t taken = std::min(expected, available);
    file.SeekTo(pixelOffset);

    if (header.compression == kCompressionNone || header.compression == kCompressionBitFields) {
        if (!bitmap->Allocate(header.width, height, header.bitCount, topDown)) {
            ThrowRasterRefused(errno);
        }
        taken = std::min<uint64_t>(taken, bitmap->DataSize());
        // Straight into the raster: one read, no intermediate copy.
        file.ReadUpTo(bitmap->MutableData(), static_cast<size_t>(taken));
    } else {
        if (!bitmap->Allocate(header.width, height, 32, false)) {
            ThrowRasterRefused(errno);
        }
        std::vector<uint8_t> packed;
        try {
            packed.resize(static_cast<size_t>(std::min(taken, kMaxInMemoryBytes)));
        } catch (const std::bad_alloc&) {
            ThrowRasterRefused(ENOMEM);
        }
        packed.resize(file.ReadUpTo(packed.data(), packed.size()));
        DecodeRunLength(packed, header.bitCount, colourTable, *bitmap);
        bitmap->SetBitsPerPixel(0);
    }
    bitmap->SetColourTable(std::move(colourTable));
    bitmap->SetColourMasks(header.masks);
    return bitmap;
}
