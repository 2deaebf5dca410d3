#pragma once
// PNG encoding through libspng, the library the PNG reader uses.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "image.h"

// A PNG file of an 8-bit image (grey, grey + alpha, RGB or RGBA) with these
// tEXt chunks (keyword, Latin-1 text), at this zlib level: 1, the fastest
// that still compresses, by default. Throws CitraError (libspng's message)
// for what it cannot encode and when memory runs out.
std::string EncodePng(const Image& image, const std::vector<std::pair<std::string, std::string>>& text = {},
                      int compressionLevel = 1);

struct spng_ctx;

// The same file made row by row, so that the picture is never held whole:
// Start, one Row per row from the top, then Finish.
class PngRowEncoder {
public:
    PngRowEncoder() = default;
    ~PngRowEncoder();
    PngRowEncoder(const PngRowEncoder&) = delete;
    PngRowEncoder& operator=(const PngRowEncoder&) = delete;

    void Start(int32_t width, int32_t height, ChannelLayout layout,
               const std::vector<std::pair<std::string, std::string>>& text, int compressionLevel = 1);
    // width x channels samples.
    void Row(const uint8_t* samples);
    std::string Finish();

private:
    spng_ctx* ctx_ = nullptr;
    std::vector<std::string> texts_;
    size_t rowBytes_ = 0;
    int32_t rowsLeft_ = 0;
};
