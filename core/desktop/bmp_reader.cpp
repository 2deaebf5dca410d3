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

// The raster store refused (errno 0), or memory ran out (errno set).
[[noreturn]] void ThrowRasterRefused(int err) {
    if (err != 0) {
        throw CitraError(SystemErrorMessage(err), err == ENOMEM ? ErrorKind::OutOfMemory : ErrorKind::InputOutput);
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

bool IsRunLength(uint32_t compression) {
    return compression == kCompressionRle8 || compression == kCompressionRle4;
}

}  // namespace

bool BitmapFileLayout::RunLength() const {
    return IsRunLength(compression);
}

uint64_t BitmapFileLayout::PixelBytesNeeded() const {
    if (Empty() || RunLength()) return 0;
    const uint64_t lastRow = (static_cast<uint64_t>(width) * bitCount + 7) / 8;
    return stride * (static_cast<uint64_t>(height) - 1) + lastRow;
}

std::optional<std::string> MissingPixelData(const BitmapFileLayout& layout) {
    const uint64_t needed = layout.PixelBytesNeeded();
    if (layout.bytesTaken >= needed) return std::nullopt;
    const std::string of = " of the " + std::to_string(needed) + " bytes of pixel data";
    if (layout.bytesInFile >= needed) {
        // The file has them, but its header's image size stops short.
        return "file cut short: its header gives " + std::to_string(layout.bytesTaken) + of;
    }
    return "file cut short: holds " + std::to_string(layout.bytesTaken) + of;
}

int BitmapFileLayout::BitsPerPixel() const {
    return Empty() || RunLength() ? 0 : bitCount;
}

BitmapFileLayout ReadBitmapLayout(InputFile& file) {
    BitmapFileLayout layout;
    if (file.Size() == 0) {
        return layout;
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
    layout.colourTable = ReadColourTable(file, header);

    // Pixel data may not overlap the headers, masks or colour table.
    if (pixelOffset < file.Position()) {
        ThrowInvalid();
    }
    CheckRasterCombination(header);

    layout.width = header.width;
    layout.height = header.height < 0 ? -header.height : header.height;
    layout.topDown = !header.core && header.height < 0;
    layout.bitCount = header.bitCount;
    layout.compression = header.compression;
    layout.stride = Bitmap::StrideFor(header.width, header.bitCount);
    layout.pixelOffset = pixelOffset;
    layout.masks = header.masks;
    const uint64_t expected =
        header.imageSize != 0 ? header.imageSize : layout.stride * static_cast<uint64_t>(layout.height);
    const uint64_t available = pixelOffset < file.Size() ? file.Size() - pixelOffset : 0;
    layout.bytesTaken = std::min(expected, available);
    layout.bytesInFile = available;

    // Run-length data are decoded into a 32-bit raster; the others are kept
    // at their own depth. A raster above the input's own (lower) limit is
    // refused as one above the store's.
    const int rasterDepth = layout.RunLength() ? 32 : header.bitCount;
    if (!Bitmap::StoreAccepts(layout.width, layout.height, rasterDepth) ||
        Bitmap::StrideFor(layout.width, rasterDepth) * static_cast<uint64_t>(layout.height) > file.MaxBlockBytes()) {
        ThrowInvalid();
    }
    if (!layout.RunLength()) {
        layout.bytesTaken = std::min(layout.bytesTaken, layout.stride * static_cast<uint64_t>(layout.height));
    }
    return layout;
}

namespace {

// An empty raster for the layout (run-length data: a 32-bit raster, bottom
// row first).
std::unique_ptr<Bitmap> AllocateRaster(const BitmapFileLayout& layout) {
    auto bitmap = std::make_unique<Bitmap>();
    const bool allocated = layout.RunLength()
                               ? bitmap->Allocate(layout.width, layout.height, 32, false)
                               : bitmap->Allocate(layout.width, layout.height, layout.bitCount, layout.topDown);
    if (!allocated) {
        ThrowRasterRefused(errno);
    }
    return bitmap;
}

}  // namespace

std::unique_ptr<Bitmap> ReadBitmapFile(InputFile& file, bool* runLengthCut) {
    BitmapFileLayout layout = ReadBitmapLayout(file);
    if (layout.Empty()) {
        return std::make_unique<Bitmap>();
    }
    std::unique_ptr<Bitmap> bitmap = AllocateRaster(layout);
    file.SeekTo(layout.pixelOffset);

    if (!layout.RunLength()) {
        // Straight into the raster: one read, no intermediate copy.
        file.ReadUpTo(bitmap->MutableData(), static_cast<size_t>(layout.bytesTaken));
    } else {
        std::vector<uint8_t> packed;
        try {
            packed.resize(static_cast<size_t>(std::min(layout.bytesTaken, kMaxInMemoryBytes)));
        } catch (const std::bad_alloc&) {
            ThrowRasterRefused(ENOMEM);
        }
        packed.resize(file.ReadUpTo(packed.data(), packed.size()));
        const bool ended = DecodeRunLength(packed, layout.bitCount, layout.colourTable, *bitmap);
        if (runLengthCut) *runLengthCut = !ended;
        bitmap->SetBitsPerPixel(0);
    }
    bitmap->SetColourTable(std::move(layout.colourTable));
    bitmap->SetColourMasks(layout.masks);
    return bitmap;
}
