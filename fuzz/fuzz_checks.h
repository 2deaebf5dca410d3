#pragma once
// The checks of the two fuzz targets, callable without libFuzzer: each
// returns a description of the fault it found in one input, or nothing.
// A sanitizer report or a crash inside them is a fault too.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace fuzz_checks {

// Largest raster or block the readers accept while fuzzing: declared
// pictures above it are refused as those above the store's own limit are,
// so no run spends its time zeroing huge rasters.
inline constexpr uint64_t kLoadMaxBlockBytes = uint64_t{256} << 10;
inline constexpr uint64_t kStreamMaxBlockBytes = uint64_t{16} << 10;

// The bytes loaded as every registered kind (bmp, ico, wmf, emf, jpg): each
// load succeeds or fails with one of the loader's messages and leaves the
// picture empty; a bitmap's rows have its stride; a small 24-bit bitmap's
// histogram counts every pixel and it does not differ from itself.
std::optional<std::string> CheckLoad(const uint8_t* data, size_t size);

// The first six bytes choose a band size and a pair made of the rest (the
// rest against a changed copy of it, or the rest cut in two, in either
// order): bytes 0-1 the band (bit 15: the default band, else 1 + the low 12
// bits), byte 2 the mode (bit 0 swap the two, bit 1 cut in two, bit 2 load
// the original rather than stream it, bit 3 cut the copy short, bits 4-7
// the step between changed bytes), byte 3 the value changed bytes are
// xored with (its low 5 bits: how many bytes are cut off), bytes 4-5 where
// the rest is cut in two. The streamed comparison (both sides streamed, or the original
// loaded) must give the message or the exact numbers of LoadPicture +
// ComputeQualityMetrics on the same pair; the first file's histogram
// counted band by band must be the loaded picture's.
std::optional<std::string> CheckStreamedCompare(const uint8_t* data, size_t size);

// Limits ReadImage runs with while fuzzing: small, so no run spends its
// time on large pictures, yet above every seed.
inline constexpr int32_t kReadMaxSide = 4096;
inline constexpr uint64_t kReadMaxSampleBytes = uint64_t{256} << 10;

// The bytes decoded by ReadImage as each kind (bmp, png, pnm, tif, jpg):
// each succeeds, or fails with a CitraError whose message names the input
// ("fuzz: <what>"). A decoded image is inside the limits, has bitDepth 8 or
// 16 with exactly the matching samples filled (width * height * channels),
// a peak that fits its depth, and no sample above its peak.
std::optional<std::string> CheckReadImage(const uint8_t* data, size_t size);

}  // namespace fuzz_checks
