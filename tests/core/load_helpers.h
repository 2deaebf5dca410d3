#pragma once
// Helpers shared by the loader tests.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "bmp_builder.h"
#include "error.h"
#include "picture.h"

// The message of the error LoadPicture raises, or "" when it succeeds.
inline std::string LoadError(Picture& picture, const std::string& path) {
    try {
        LoadPicture(picture, path);
    } catch (const CitraError& error) {
        return error.what();
    }
    return "";
}

inline std::string LoadError(const std::string& path) {
    Picture picture;
    return LoadError(picture, path);
}

inline std::vector<uint8_t> Bytes(std::span<const uint8_t> span) {
    return {span.begin(), span.end()};
}

// The 70-byte file of a 2 x 2 picture, 24 bits per pixel, 40-byte header.
inline bmp_builder::BmpSpec TwoByTwoSpec(int32_t height = 2) {
    bmp_builder::BmpSpec spec{.width = 2, .height = height, .bitsPerPixel = 24};
    spec.pixels = bmp_builder::PatternBytes(16);
    return spec;
}
