#pragma once
// The chunks of a PNG file in memory, walked before anything is inflated or
// allocated: where the chunks a decoder reads lie, and how many bytes of
// image data the file holds. Nothing is inflated and no CRC is checked
// here; chunks that are left out are never read past their header. Whoever
// reads the kept chunks checks their CRCs; a left-out chunk's is not: its
// damage cannot change a sample, and libspng drops a damaged ancillary
// chunk rather than refusing the file anyway.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

struct PngHeader {
    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t bitDepth = 0;
    uint8_t colourType = 0;
    uint8_t compression = 0;
    uint8_t filter = 0;
    uint8_t interlace = 0;
};

// A run of the file's bytes, [offset, offset + size).
struct PngByteRange {
    size_t offset = 0;
    size_t size = 0;
};

struct PngChunkMap {
    PngHeader header;  // IHDR's fields as stored, not checked
    // The bytes a decoder needs, in file order: the signature with IHDR, the
    // first PLTE, the first tRNS before the image data, the run of IDAT
    // chunks, IEND. Every other chunk is left out.
    std::array<PngByteRange, 5> kept{};
    size_t keptCount = 0;
    // The IDAT chunks, headers and CRCs included: consecutive in the file.
    PngByteRange idatRun;
    uint64_t idatBytes = 0;  // the IDAT chunks' data, summed
    PngByteRange iend;       // the IEND chunk, length and CRC included
};

// Walks the chunks from the signature to IEND. Throws CitraError (a message
// in the decoders' words) when the signature is wrong, the first chunk is
// not a 13-byte IHDR, a chunk's length or type is malformed, a chunk runs
// past the end of the file or IEND never comes (CutShort), IHDR or PLTE
// comes twice, PLTE follows the image data, there is no IDAT chunk or the
// IDAT chunks are not consecutive, or a critical chunk is unknown. tRNS after the image data,
// and a second tRNS, are left out, as every ancillary chunk but tRNS is.
PngChunkMap MapPngChunks(std::span<const uint8_t> file);

// Calls visit(data) with the data of each IDAT chunk of the map, in order.
template <typename Visit>
void ForEachIdat(std::span<const uint8_t> file, const PngChunkMap& map, Visit&& visit) {
    size_t at = map.idatRun.offset;
    const size_t end = map.idatRun.offset + map.idatRun.size;
    while (at < end) {
        const size_t length = (size_t{file[at]} << 24) | (size_t{file[at + 1]} << 16) | (size_t{file[at + 2]} << 8) |
                              file[at + 3];
        visit(file.subspan(at + 8, length));
        at += 12 + length;
    }
}

// Bytes of filtered scanlines (a filter byte before each row of each
// interlace pass) a valid header declares; UINT64_MAX if that does not fit.
uint64_t PngFilteredBytes(const PngHeader& header);

// The fewest bytes of zlib stream that can inflate to this many bytes.
uint64_t MinZlibBytes(uint64_t inflatedBytes);
