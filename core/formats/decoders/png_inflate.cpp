#include "png_inflate.h"

#include <libdeflate.h>

#include <bit>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "error.h"

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace {

uint32_t Be32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// A chunk's CRC covers its type and data; `data` lies in the file, after
// the type and before the CRC.
bool CrcMatches(std::span<const uint8_t> data) {
    return libdeflate_crc32(0, data.data() - 4, data.size() + 4) == Be32(data.data() + data.size());
}

struct DecompressorFree {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

// One per thread, kept: a batch of small files should not allocate one each.
libdeflate_decompressor* Decompressor() {
    thread_local std::unique_ptr<libdeflate_decompressor, DecompressorFree> kept;
    if (!kept) {
        kept.reset(libdeflate_alloc_decompressor());
        if (!kept) throw CitraError("out of memory", ErrorKind::OutOfMemory);
    }
    return kept.get();
}

// The data of consecutive IDAT chunks moved together where the first
// chunk's data begins, in the file's own memory (each moves towards the
// front, so nothing unread is overwritten), and put back as they were: the
// bytes each move covers that are not its own data (a CRC and the next
// chunk's length and type) are kept aside first.
class MovedIdats {
public:
    MovedIdats(uint8_t* file, const PngChunkMap& map) : file_(file), map_(map) {}

    bool Gather() {
        const std::span<const uint8_t> whole(file_, map_.idatRun.offset + map_.idatRun.size);
        try {
            ForEachIdat(whole, map_, [&](std::span<const uint8_t> data) {
                chunks_.push_back({static_cast<size_t>(data.data() - file_), data.size()});
            });
            gaps_.reserve(12 * chunks_.size());
        } catch (const std::bad_alloc&) {
            return false;
        }
        for (size_t k = 0; k + 1 < chunks_.size(); ++k) {
            const uint8_t* gap = file_ + chunks_[k].offset + chunks_[k].size;
            gaps_.insert(gaps_.end(), gap, gap + 12);
        }
        size_t to = chunks_.front().offset;
        for (const PngByteRange& chunk : chunks_) {
            std::memmove(file_ + to, file_ + chunk.offset, chunk.size);
            to += chunk.size;
        }
        return true;
    }

    const uint8_t* Stream() const { return file_ + chunks_.front().offset; }

    // The last chunk first: each lands at or after the place the ones
    // before it were gathered into.
    void PutBack() {
        size_t from = chunks_.front().offset + map_.idatBytes;
        for (size_t k = chunks_.size(); k-- > 0;) {
            from -= chunks_[k].size;
            std::memmove(file_ + chunks_[k].offset, file_ + from, chunks_[k].size);
        }
        for (size_t k = 0; k + 1 < chunks_.size(); ++k)
            std::memcpy(file_ + chunks_[k].offset + chunks_[k].size, gaps_.data() + 12 * k, 12);
    }

private:
    uint8_t* file_;
    const PngChunkMap& map_;
    std::vector<PngByteRange> chunks_;
    std::vector<uint8_t> gaps_;
};

// ---- Row filters, undone in place
//
// A row's filtered bytes lie r + 1 bytes after where its samples go (one
// filter byte for each row so far), so each loop reads a byte before it
// writes the byte r + 1 places earlier: nothing unread is overwritten. The
// row above is read where its samples already are. Pixels of N bytes: the
// N channels of a pixel are independent, and the left pixel stays in
// registers.

template <size_t N>
void UndoSub(uint8_t* out, const uint8_t* in, size_t n) {
    uint8_t a[N];
    for (size_t k = 0; k < N; ++k) out[k] = a[k] = in[k];
    for (size_t i = N; i < n; i += N) {
        for (size_t k = 0; k < N; ++k) out[i + k] = a[k] = static_cast<uint8_t>(in[i + k] + a[k]);
    }
}

void UndoUp(uint8_t* out, const uint8_t* in, const uint8_t* above, size_t n) {
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(in[i] + above[i]);
}

// The first row's Average: the row above counts as zeros.
template <size_t N>
void UndoAverageFirst(uint8_t* out, const uint8_t* in, size_t n) {
    uint8_t a[N];
    for (size_t k = 0; k < N; ++k) out[k] = a[k] = in[k];
    for (size_t i = N; i < n; i += N) {
        for (size_t k = 0; k < N; ++k) out[i + k] = a[k] = static_cast<uint8_t>(in[i + k] + (a[k] >> 1));
    }
}

template <size_t N>
void UndoAverage(uint8_t* out, const uint8_t* in, const uint8_t* above, size_t n) {
    unsigned a[N];
    for (size_t k = 0; k < N; ++k) out[k] = static_cast<uint8_t>(a[k] = static_cast<uint8_t>(in[k] + (above[k] >> 1)));
    for (size_t i = N; i < n; i += N) {
        for (size_t k = 0; k < N; ++k) {
            a[k] = static_cast<uint8_t>(in[i + k] + ((a[k] + above[i + k]) >> 1));
            out[i + k] = static_cast<uint8_t>(a[k]);
        }
    }
}

// The neighbour (left a, above b, upper left c) nearest to a + b - c, the
// first of a, b, c on a tie. Written for conditional moves: on a
// photograph's noise the choice is a coin toss a branch would mispredict.
inline int Paeth(int a, int b, int c) {
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    const int nearest = pb < pa ? b : a;
    const int least = pb < pa ? pb : pa;
    return pc < least ? c : nearest;
}

template <size_t N>
void UndoPaethScalar(uint8_t* out, const uint8_t* in, const uint8_t* above, size_t n) {
    int a[N], c[N];
    // The first pixel has no left neighbours: the one above is nearest.
    for (size_t k = 0; k < N; ++k) {
        c[k] = above[k];
        out[k] = static_cast<uint8_t>(a[k] = static_cast<uint8_t>(in[k] + c[k]));
    }
    for (size_t i = N; i < n; i += N) {
        for (size_t k = 0; k < N; ++k) {
            const int b = above[i + k];
            a[k] = static_cast<uint8_t>(in[i + k] + Paeth(a[k], b, c[k]));
            c[k] = b;
            out[i + k] = static_cast<uint8_t>(a[k]);
        }
    }
}

#if defined(__x86_64__)
// A pixel of N bytes, 3 to 8, in 16-bit lanes. Exact reads the N bytes
// alone; else 4 or 8 bytes are read in one load (a narrower copy would go
// through memory and stall the next load), lanes past N holding whatever
// follows, never stored.
template <size_t N, bool Exact>
__m128i LoadPixel(const uint8_t* p) {
    constexpr size_t kRead = Exact ? N : N <= 4 ? 4 : 8;
    if constexpr (kRead == 4) {
        uint32_t v;
        std::memcpy(&v, p, 4);
        return _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(v)), _mm_setzero_si128());
    } else if constexpr (kRead == 8) {
        uint64_t v;
        std::memcpy(&v, p, 8);
        return _mm_unpacklo_epi8(_mm_cvtsi64_si128(static_cast<long long>(v)), _mm_setzero_si128());
    } else {
        uint8_t v[8] = {};
        std::memcpy(v, p, N);
        return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(v)), _mm_setzero_si128());
    }
}

// Exactly N bytes: a byte more could be one not yet read.
template <size_t N>
void StorePixel(uint8_t* p, __m128i lanes) {
    const uint64_t v = static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_packus_epi16(lanes, lanes)));
    std::memcpy(p, &v, N);
}

__m128i Abs16(__m128i x) { return _mm_max_epi16(x, _mm_sub_epi16(_mm_setzero_si128(), x)); }

// One pixel of Paeth with the channels side by side: the same choice as
// Paeth() in each lane. a and c are the left and upper left pixels.
template <size_t N, bool Exact>
__m128i PaethPixel(uint8_t* out, const uint8_t* in, const uint8_t* above, __m128i a, __m128i& c) {
    const __m128i b = LoadPixel<N, Exact>(above);
    const __m128i x = LoadPixel<N, Exact>(in);
    const __m128i pa = Abs16(_mm_sub_epi16(b, c));
    const __m128i ac = _mm_sub_epi16(a, c);
    const __m128i pb = Abs16(ac);
    const __m128i pc = Abs16(_mm_add_epi16(ac, _mm_sub_epi16(b, c)));
    const __m128i takeB = _mm_cmplt_epi16(pb, pa);
    const __m128i nearest = _mm_or_si128(_mm_and_si128(takeB, b), _mm_andnot_si128(takeB, a));
    const __m128i takeC = _mm_cmplt_epi16(pc, _mm_min_epi16(pa, pb));
    const __m128i predicted = _mm_or_si128(_mm_and_si128(takeC, c), _mm_andnot_si128(takeC, nearest));
    const __m128i value = _mm_and_si128(_mm_add_epi16(x, predicted), _mm_set1_epi16(0xFF));
    StorePixel<N>(out, value);
    c = b;
    return value;
}

template <size_t N>
void UndoPaeth(uint8_t* out, const uint8_t* in, const uint8_t* above, size_t n) {
    if constexpr (N < 3) {
        UndoPaethScalar<N>(out, in, above, n);
    } else {
        // The first pixel: no left neighbours, the upper left counted as
        // zero; then the nearest is the one above.
        __m128i c = _mm_setzero_si128();
        __m128i a = PaethPixel<N, true>(out, in, above, _mm_setzero_si128(), c);
        // Wide reads stop a pixel short of the row's end: past it may lie
        // the end of the buffer.
        size_t i = N;
        for (; i + N < n; i += N) a = PaethPixel<N, false>(out + i, in + i, above + i, a, c);
        if (i < n) PaethPixel<N, true>(out + i, in + i, above + i, a, c);
    }
}
#else
template <size_t N>
void UndoPaeth(uint8_t* out, const uint8_t* in, const uint8_t* above, size_t n) {
    UndoPaethScalar<N>(out, in, above, n);
}
#endif

// 16-bit samples, stored most significant byte first, to host order.
void SwapPairs(uint8_t* p, size_t n) {
    if constexpr (std::endian::native == std::endian::little) {
        for (size_t i = 0; i + 1 < n; i += 2) {
            uint16_t v;
            std::memcpy(&v, p + i, 2);
            v = static_cast<uint16_t>(v << 8 | v >> 8);
            std::memcpy(p + i, &v, 2);
        }
    }
}

template <size_t N>
bool UnfilterRows(uint8_t* data, size_t rows, size_t rowBytes, bool swapPairs) {
    for (size_t r = 0; r < rows; ++r) {
        const uint8_t* in = data + r * (rowBytes + 1) + 1;
        uint8_t* out = data + r * rowBytes;
        const uint8_t* above = r > 0 ? out - rowBytes : out;  // only read when r > 0
        switch (in[-1]) {
            case 0: std::memmove(out, in, rowBytes); break;
            case 1: UndoSub<N>(out, in, rowBytes); break;
            case 2:
                if (r == 0) {
                    std::memmove(out, in, rowBytes);
                } else {
                    UndoUp(out, in, above, rowBytes);
                }
                break;
            case 3:
                if (r == 0) {
                    UndoAverageFirst<N>(out, in, rowBytes);
                } else {
                    UndoAverage<N>(out, in, above, rowBytes);
                }
                break;
            case 4:
                // Above the first row every neighbour is zero: Paeth is Sub.
                if (r == 0) {
                    UndoSub<N>(out, in, rowBytes);
                } else {
                    UndoPaeth<N>(out, in, above, rowBytes);
                }
                break;
            default: return false;
        }
        // The row above is no longer read as a neighbour.
        if (swapPairs && r > 0) SwapPairs(out - rowBytes, rowBytes);
    }
    if (swapPairs && rows > 0) SwapPairs(data + (rows - 1) * rowBytes, rowBytes);
    return true;
}

bool Unfilter(uint8_t* data, size_t rows, size_t rowBytes, size_t pixelBytes, bool swapPairs) {
    switch (pixelBytes) {
        case 1: return UnfilterRows<1>(data, rows, rowBytes, swapPairs);
        case 2: return UnfilterRows<2>(data, rows, rowBytes, swapPairs);
        case 3: return UnfilterRows<3>(data, rows, rowBytes, swapPairs);
        case 4: return UnfilterRows<4>(data, rows, rowBytes, swapPairs);
        case 6: return UnfilterRows<6>(data, rows, rowBytes, swapPairs);
        case 8: return UnfilterRows<8>(data, rows, rowBytes, swapPairs);
        default: return false;
    }
}

int Channels(uint8_t colourType) {
    switch (colourType) {
        case 0: return 1;
        case 2: return 3;
        case 4: return 2;
        case 6: return 4;
        default: return 0;
    }
}

PngRowsStatus InflateAndUnfilter(const uint8_t* stream, const PngChunkMap& map, const PngHeader& header,
                                 std::span<uint8_t> out) {
    size_t used = 0, inflated = 0;
    switch (libdeflate_zlib_decompress_ex(Decompressor(), stream, map.idatBytes, out.data(), out.size(), &used,
                                          &inflated)) {
        case LIBDEFLATE_SUCCESS:
            // Bytes after the stream are left unread, as libspng leaves them.
            if (inflated != out.size()) return PngRowsStatus::ShortStream;
            break;
        case LIBDEFLATE_INSUFFICIENT_SPACE: return PngRowsStatus::LongStream;
        default: return PngRowsStatus::BadStream;
    }
    const size_t sampleBytes = header.bitDepth / 8;
    const size_t pixelBytes = size_t(Channels(header.colourType)) * sampleBytes;
    const size_t rowBytes = size_t{header.width} * pixelBytes;
    if (!Unfilter(out.data(), header.height, rowBytes, pixelBytes, sampleBytes == 2)) return PngRowsStatus::BadFilter;
    return PngRowsStatus::Done;
}

}  // namespace

bool PngRowsInflatable(const PngHeader& header) {
    return header.interlace == 0 && (header.bitDepth == 8 || header.bitDepth == 16) &&
           Channels(header.colourType) != 0;
}

PngRowsStatus InflatePngRows(std::span<const uint8_t> file, const PngChunkMap& map, const PngHeader& header,
                             std::span<uint8_t> out, uint8_t* writableFile) {
    // IEND first: it is a few bytes, and a damaged one sends the file to
    // libspng before anything is inflated.
    const std::span<const uint8_t> iend = file.subspan(map.iend.offset, map.iend.size);
    if (iend.size() != 12) return PngRowsStatus::BadEnd;
    if (!CrcMatches(iend.subspan(8, 0))) return PngRowsStatus::BadChecksum;

    // One IDAT chunk is inflated where it lies. Several are moved together
    // within the file when the caller owns its bytes (and put back if the
    // file goes on to libspng), else joined in a copy: libdeflate takes the
    // stream whole.
    const bool single = map.idatRun.size == map.idatBytes + 12;
    const bool inPlace = !single && writableFile != nullptr;
    std::unique_ptr<uint8_t[]> joined;
    if (!single && !inPlace) {
        joined.reset(new (std::nothrow) uint8_t[map.idatBytes]);
        if (!joined) return PngRowsStatus::NoMemory;
    }
    bool crcs = true;
    ForEachIdat(file, map, [&](std::span<const uint8_t> data) { crcs = crcs && CrcMatches(data); });
    if (!crcs) return PngRowsStatus::BadChecksum;
    const uint8_t* stream = nullptr;
    std::optional<MovedIdats> moved;
    if (single) {
        stream = file.data() + map.idatRun.offset + 8;
    } else if (inPlace) {
        moved.emplace(writableFile, map);
        if (!moved->Gather()) return PngRowsStatus::NoMemory;
        stream = moved->Stream();
    } else {
        size_t at = 0;
        ForEachIdat(file, map, [&](std::span<const uint8_t> data) {
            if (!data.empty()) std::memcpy(joined.get() + at, data.data(), data.size());
            at += data.size();
        });
        stream = joined.get();
    }

    const PngRowsStatus status = InflateAndUnfilter(stream, map, header, out);
    // Anything short of Done sends the file to libspng, which reads it as it was.
    if (moved && status != PngRowsStatus::Done) moved->PutBack();
    return status;
}
