#pragma once
// The image data of a PNG of whole-byte samples (8 or 16 bits, grey, grey
// + alpha, RGB or RGBA, not interlaced) decoded without libspng: the IDAT
// chunks' CRCs checked, their zlib stream inflated by libdeflate in one
// call into the memory the samples end in, and the row filters undone
// there, in place.
//
// It never words a refusal: anything short of a clean file (a damaged
// chunk, a stream that is corrupt or inflates to another length, an
// unknown filter, a damaged IEND) comes back as the reason it stopped, and
// the caller hands the file to libspng, whose verdict (a picture or its
// message) stays the file's. Apart: libdeflate reads some streams zlib
// refuses (a block declaring more literal/length or distance codes than
// deflate defines), which no encoder writes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "png_chunks.h"

// Whether InflatePngRows takes pictures of this header (tRNS aside: a
// colour key is the caller's to leave out).
bool PngRowsInflatable(const PngHeader& header);

enum class PngRowsStatus {
    Done,
    BadChecksum,   // an IDAT or the IEND chunk's CRC does not match
    BadStream,     // libdeflate finds the zlib stream corrupt or cut short
    ShortStream,   // a complete stream of fewer bytes than the rows need
    LongStream,    // a stream holding more bytes than the rows need
    BadFilter,     // a row of an unknown filter type
    BadEnd,        // an IEND chunk with data
    NoMemory,      // no memory to join several IDAT chunks' data (or list them)
};

// `out` holds PngFilteredBytes(header) bytes (the filtered rows, a filter
// byte before each row). On Done its first height * rowBytes bytes hold the
// rows, 16-bit samples in host order; on anything else its content is
// undefined. Throws CitraError only when memory for libdeflate runs out.
// `writableFile`, when given, is `file`'s own memory, whose image data
// chunks may be moved together (no copy of the stream): on Done they stay
// moved, on anything else the file's bytes are put back as they were.
PngRowsStatus InflatePngRows(std::span<const uint8_t> file, const PngChunkMap& map, const PngHeader& header,
                             std::span<uint8_t> out, uint8_t* writableFile = nullptr);
