#include <gtest/gtest.h>

#include "image_reader.h"

namespace {

TEST(ImageExtension, ReadableKindsInAnyLetterCase) {
    for (const char* extension : {"bmp", "png", "pgm", "ppm", "pnm", "tif", "tiff", "jpg", "jpeg", "BMP", "Png",
                                  "TIFF", "jPeG"})
        EXPECT_TRUE(IsImageExtension(extension)) << extension;
}

TEST(ImageExtension, OthersAndNearMissesAreNot) {
    for (const char* extension : {"", "gif", "ico", "wmf", "txt", "bm", "bmpx", "tiffs", "jp", ".bmp", "bmp ",
                                  "pbm", "pam"})
        EXPECT_FALSE(IsImageExtension(extension)) << extension;
    EXPECT_FALSE(IsImageExtension(std::string_view("png\0", 4)));
}

}  // namespace
