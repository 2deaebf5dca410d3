// The floor of decoding two PNG files: each file read as ReadImage reads
// it, its IDAT chunks' data moved together in that buffer and inflated by
// libdeflate into a buffer of the filtered rows' size, on two threads as
// citra_decode_pair decodes a pair; no CRC, no row filter undone, no
// picture. Memory comes as the decoder takes it (sample memory). Prints a
// sum of one inflated byte in every 4 KiB, a check that the data was
// inflated, not a cost.
// Usage: citra_inflate_floor FILE1 FILE2
#include <libdeflate.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "input_file.h"
#include "png_chunks.h"
#include "sample_allocator.h"

namespace {

uint64_t InflateAndSum(const char* path, std::string& error) {
    try {
        InputFile file(path);
        SampleBytes bytes = file.ReadBlock(file.Size());
        const PngChunkMap map = MapPngChunks(bytes);
        // The chunks' data moved together within the file's own buffer, as
        // the decoder moves them.
        uint8_t* const joined = bytes.data() + map.idatRun.offset + 8;
        size_t at = 0;
        ForEachIdat(bytes, map, [&](std::span<const uint8_t> data) {
            if (!data.empty()) std::memmove(joined + at, data.data(), data.size());
            at += data.size();
        });
        SampleBytes rows(PngFilteredBytes(map.header));
        std::unique_ptr<libdeflate_decompressor, decltype(&libdeflate_free_decompressor)> decompressor(
            libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
        if (!decompressor) throw std::bad_alloc();
        if (libdeflate_zlib_decompress(decompressor.get(), joined, map.idatBytes, rows.data(), rows.size(),
                                       nullptr) != LIBDEFLATE_SUCCESS) {
            throw std::runtime_error(std::string(path) + ": libdeflate cannot inflate the image data");
        }
        uint64_t sum = 0;
        for (size_t i = 0; i < rows.size(); i += 4096) sum += rows[i];
        return sum;
    } catch (const std::exception& e) {
        error = e.what();
        return 0;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: citra_inflate_floor FILE1 FILE2\n");
        return 2;
    }
    std::string firstError, secondError;
    uint64_t first = 0;
    uint64_t second = 0;
    {
        std::jthread reader([&] { first = InflateAndSum(argv[1], firstError); });
        second = InflateAndSum(argv[2], secondError);
    }
    for (const std::string& error : {firstError, secondError}) {
        if (!error.empty()) {
            std::fprintf(stderr, "citra_inflate_floor: %s\n", error.c_str());
            return 1;
        }
    }
    std::printf("%llu\n", static_cast<unsigned long long>(first + second));
    return 0;
}
