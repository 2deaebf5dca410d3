#pragma once
// PNG encoding through libspng, the library the PNG reader uses.
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "image.h"

// How hard the encoder works: the zlib level (1, the fastest that still
// compresses, by default) and whether each row may choose its filter
// (libspng's adaptive choice among all five) or is written unfiltered.
// Difference pictures are mostly flat with scattered noise: unfiltered they
// encode 2 to 3 times faster and come out smaller (measured on 4000 x 4000
// maps, bench/RESULTS.md).
struct PngSettings {
    int level = 1;
    bool filtered = true;
};
inline constexpr PngSettings kDifferencePng{1, false};

// A PNG file of an 8-bit image (grey, grey + alpha, RGB or RGBA) with these
// tEXt chunks (keyword, Latin-1 text). Throws CitraError (libspng's
// message) for what it cannot encode and when memory runs out.
std::string EncodePng(const Image& image, const std::vector<std::pair<std::string, std::string>>& text = {},
                      PngSettings settings = {});

struct spng_ctx;

// The same file made row by row, so that the picture is never held whole:
// Start, one Row per row from the top, then Finish. With a sink the file's
// bytes go to it as they are made (and Finish returns nothing); a sink that
// returns false stops the encoding with CitraError.
class PngRowEncoder {
public:
    using Sink = std::function<bool(const uint8_t* bytes, size_t count)>;
    PngRowEncoder() = default;
    ~PngRowEncoder();
    PngRowEncoder(const PngRowEncoder&) = delete;
    PngRowEncoder& operator=(const PngRowEncoder&) = delete;

    void Start(int32_t width, int32_t height, ChannelLayout layout,
               const std::vector<std::pair<std::string, std::string>>& text, PngSettings settings = {},
               Sink sink = {});
    // width x channels samples.
    void Row(const uint8_t* samples);
    std::string Finish();

private:
    spng_ctx* ctx_ = nullptr;
    Sink sink_;
    std::vector<std::string> texts_;
    size_t rowBytes_ = 0;
    int32_t rowsLeft_ = 0;
};
