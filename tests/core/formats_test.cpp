#include <gtest/gtest.h>

#include <string>

#include "formats.h"
#include "picture.h"

namespace {

struct ExtensionCase {
    const char* path;
    const char* extension;
};

class FileExtensionTest : public testing::TestWithParam<ExtensionCase> {};

TEST_P(FileExtensionTest, TakesTheTextAfterTheLastDotOfTheFileName) {
    EXPECT_EQ(FileExtension(GetParam().path), GetParam().extension);
}

INSTANTIATE_TEST_SUITE_P(Paths, FileExtensionTest,
                         testing::Values(ExtensionCase{"a.bmp", "bmp"}, ExtensionCase{"/x/y/Photo.BMP", "BMP"},
                                         ExtensionCase{"a.tar.Gz", "Gz"}, ExtensionCase{"noext", ""},
                                         ExtensionCase{"/dir.d/noext", ""}, ExtensionCase{"ends.", ""},
                                         ExtensionCase{".bmp", "bmp"}, ExtensionCase{"dir.v/", ""},
                                         ExtensionCase{"", ""}));

// One row per name: whether the decoders read it, whether the desktop
// loader reads it as a bitmap, and the format's name (empty: unknown).
struct FormatCase {
    const char* path;
    bool decoded;
    bool desktopBitmap;
    const char* format;
};

class FormatTableTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatTableTest, EveryRuleAsksTheSameTable) {
    const FormatCase& c = GetParam();
    EXPECT_EQ(IsImagePath(c.path), c.decoded);
    EXPECT_EQ(IsBitmapFilePath(c.path), c.desktopBitmap);
    const Format* format = FormatOfPath(c.path);
    EXPECT_EQ(format ? std::string(format->name) : std::string(), c.format);
}

INSTANTIATE_TEST_SUITE_P(
    Names, FormatTableTest,
    testing::Values(FormatCase{"a.bmp", true, true, "bmp"}, FormatCase{"dir.x/a.BmP", true, true, "bmp"},
                    FormatCase{"a.png", true, false, "png"}, FormatCase{"a.Png", true, false, "png"},
                    FormatCase{"a.pbm", true, false, "pnm"}, FormatCase{"a.pgm", true, false, "pnm"},
                    FormatCase{"a.PPM", true, false, "pnm"}, FormatCase{"a.pnm", true, false, "pnm"},
                    FormatCase{"a.tif", true, false, "tiff"}, FormatCase{"a.TIFF", true, false, "tiff"},
                    FormatCase{"a.jpg", true, false, "jpeg"}, FormatCase{"a.jPeG", true, false, "jpeg"},
                    FormatCase{"a.ico", false, false, "ico"}, FormatCase{"a.wmf", false, false, "metafile"},
                    FormatCase{"a.emf", false, false, "metafile"}, FormatCase{"a.gif", false, false, ""},
                    FormatCase{"a.bmp/b", false, false, ""}, FormatCase{"a.dib", false, false, ""},
                    FormatCase{"bmp", false, false, ""}, FormatCase{"a.bmpx", false, false, ""},
                    FormatCase{"a.tiffs", false, false, ""}, FormatCase{"a.pam", false, false, ""},
                    FormatCase{"a.bmp ", false, false, ""}, FormatCase{"a.", false, false, ""}));

TEST(FormatTable, AnExtensionWithANulByteIsNoFormat) {
    EXPECT_EQ(FormatOfExtension(std::string_view("png\0", 4)), nullptr);
}

TEST(FormatTable, EachExtensionBelongsToOneFormat) {
    for (const Format& format : Formats())
        for (std::string_view extension : format.extensions) EXPECT_EQ(FormatOfExtension(extension), &format);
}

TEST(FormatTable, TheHelpListNamesTheDecodedExtensions) {
    EXPECT_EQ(ImageExtensionList(), "bmp, png, pbm, pgm, ppm, pnm, tif, tiff, jpg, jpeg");
}

}  // namespace
