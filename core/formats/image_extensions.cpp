#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "image_reader.h"

bool IsImageExtension(std::string_view extension) {
    static constexpr std::array<std::string_view, 9> kExtensions{"bmp", "png", "pgm", "ppm", "pnm",
                                                                 "tif", "tiff", "jpg", "jpeg"};
    return std::any_of(kExtensions.begin(), kExtensions.end(), [&](std::string_view known) {
        return known.size() == extension.size() &&
               std::equal(known.begin(), known.end(), extension.begin(), [](char k, char c) {
                   return k == std::tolower(static_cast<unsigned char>(c));
               });
    });
}
