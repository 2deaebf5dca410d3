// The icon, metafile and JPEG readers: they only decide whether loading
// succeeds.
#include <gtest/gtest.h>

#include <cstdio>
#include <jerror.h>

#include "graphic_files.h"
#include "load_helpers.h"
#include "messages.h"
#include "scratch_dir.h"

namespace {

using graphic_files::Put16;
using graphic_files::Put32;

// One row: a file name, its bytes, and the expected message ("": loads).
struct ReaderCase {
    const char* name;
    const char* fileName;
    std::vector<uint8_t> (*content)();
    std::string message;
};

class OtherReaderTest : public testing::TestWithParam<ReaderCase> {};

TEST_P(OtherReaderTest, LoadsOrFailsWithItsMessage) {
    const ReaderCase& c = GetParam();
    ScratchDir dir;
    Picture picture;
    EXPECT_EQ(LoadError(picture, dir.Write(c.fileName, c.content())), c.message);
    if (c.message.empty()) {
        EXPECT_NE(picture.Kind(), PictureKind::Empty);
        EXPECT_EQ(picture.BitmapIfAny(), nullptr);
    } else {
        EXPECT_EQ(picture.Kind(), PictureKind::Empty);
    }
}

const std::string kStream = "Stream read error";
const std::string kIcon = "Icon image is not valid";
const std::string kMeta = "Metafile is not valid";

std::vector<uint8_t> Emf() { return graphic_files::EnhancedMetafile(); }
std::vector<uint8_t> Wmf() { return graphic_files::PlaceableMetafile(); }

INSTANTIATE_TEST_SUITE_P(
    Icons, OtherReaderTest,
    testing::Values(
        ReaderCase{"TypeOne", "a.ico", [] { return graphic_files::IconFile(1); }, ""},
        ReaderCase{"TypeZero", "a.ico", [] { return graphic_files::IconFile(0); }, ""},
        ReaderCase{"HeaderOnly", "a.ico", [] { return std::vector<uint8_t>{0, 0, 1, 0, 0, 0}; }, ""},
        ReaderCase{"TypeTwo", "a.ico", [] { return graphic_files::IconFile(2); }, kIcon},
        ReaderCase{"BitmapBytes", "a.ico", [] { return bmp_builder::BuildBmp(TwoByTwoSpec()); }, kIcon},
        ReaderCase{"FiveBytes", "a.ico", [] { return std::vector<uint8_t>{0, 0, 1, 0, 1}; }, kStream},
        ReaderCase{"Empty", "a.ico", [] { return std::vector<uint8_t>{}; }, kStream}),
    [](const testing::TestParamInfo<ReaderCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    EnhancedMetafiles, OtherReaderTest,
    testing::Values(
        ReaderCase{"Good", "a.emf", Emf, ""},
        ReaderCase{"BytesAfterTheDeclaredLengthIgnored", "a.emf",
                   [] {
                       auto f = Emf();
                       f.resize(f.size() + 50, 0xEE);
                       return f;
                   },
                   ""},
        ReaderCase{"ShorterThanDeclared", "a.emf",
                   [] {
                       auto f = Emf();
                       Put32(f, graphic_files::kEmfTotalLengthAt, 400);
                       return f;
                   },
                   kStream},
        ReaderCase{"DeclaredLengthBelowHeader", "a.emf",
                   [] {
                       auto f = Emf();
                       Put32(f, graphic_files::kEmfTotalLengthAt, 60);
                       return f;
                   },
                   kMeta},
        ReaderCase{"RecordSizeNotMultipleOf4", "a.emf",
                   [] {
                       auto f = Emf();
                       Put32(f, graphic_files::kEmfEofRecordAt + 4, 18);
                       return f;
                   },
                   kMeta},
        ReaderCase{"RecordRunsPastTheEnd", "a.emf",
                   [] {
                       auto f = Emf();
                       Put32(f, graphic_files::kEmfEofRecordAt + 4, 24);
                       return f;
                   },
                   kMeta},
        ReaderCase{"RecordSizeZero", "a.emf",
                   [] {
                       auto f = Emf();
                       Put32(f, 4, 0);
                       return f;
                   },
                   kMeta},
        ReaderCase{"LastRecordNotEof", "a.emf",
                   [] {
                       auto f = Emf();
                       Put32(f, graphic_files::kEmfEofRecordAt, 9);
                       return f;
                   },
                   kMeta},
        ReaderCase{"EofBeforeTheEnd", "a.emf",
                   [] {
                       auto f = Emf();
                       Put32(f, graphic_files::kEmfEofRecordAt + 4, 12);
                       return f;
                   },
                   kMeta},
        // Exactly 100 bytes is not "longer than 100": it is taken for a
        // placeable metafile and refused as such.
        ReaderCase{"HundredBytesIsNotEnhanced", "a.emf",
                   [] {
                       auto f = Emf();
                       f.resize(100);
                       return f;
                   },
                   kMeta}),
    [](const testing::TestParamInfo<ReaderCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    PlaceableMetafiles, OtherReaderTest,
    testing::Values(
        ReaderCase{"Good", "a.wmf", Wmf, ""},
        ReaderCase{"WrongChecksum", "a.wmf",
                   [] {
                       auto f = Wmf();
                       f[graphic_files::kWmfChecksumAt] ^= 1;
                       return f;
                   },
                   kMeta},
        ReaderCase{"WrongKey", "a.wmf",
                   [] {
                       auto f = Wmf();
                       f[0] ^= 0x10;
                       graphic_files::SetPlaceableChecksum(f);
                       return f;
                   },
                   kMeta},
        ReaderCase{"Shorter than the placeable header", "a.wmf",
                   [] {
                       auto f = Wmf();
                       f.resize(21);
                       return f;
                   },
                   kMeta},
        ReaderCase{"NoEndRecord", "a.wmf",
                   [] {
                       auto f = Wmf();
                       f.resize(graphic_files::kWmfEofRecordAt);
                       return f;
                   },
                   kMeta},
        ReaderCase{"RecordShorterThanThreeWords", "a.wmf",
                   [] {
                       auto f = Wmf();
                       Put32(f, graphic_files::kWmfFirstRecordAt, 2);
                       return f;
                   },
                   kMeta},
        ReaderCase{"RecordRunsPastTheEnd", "a.wmf",
                   [] {
                       auto f = Wmf();
                       Put32(f, graphic_files::kWmfFirstRecordAt, 0x40000000);
                       return f;
                   },
                   kMeta},
        ReaderCase{"BadMetaHeader", "a.wmf",
                   [] {
                       auto f = Wmf();
                       Put16(f, 24, 7);
                       return f;
                   },
                   kMeta},
        ReaderCase{"Empty", "a.wmf", [] { return std::vector<uint8_t>{}; }, kMeta},
        ReaderCase{"BitmapBytes", "a.emf", [] { return bmp_builder::BuildBmp(TwoByTwoSpec()); }, kMeta}),
    [](const testing::TestParamInfo<ReaderCase>& info) {
        std::string name = info.param.name;
        std::erase(name, ' ');
        return name;
    });

std::string JpegError(int code) {
    return "JPEG error #" + std::to_string(code);
}

TEST(JpegReaderTest, ReadsTheHeaderAndKeepsTheSize) {
    ScratchDir dir;
    Picture picture;
    ASSERT_EQ(LoadError(picture, dir.Write("a.jpeg", graphic_files::JpegFile(33, 17))), "");
    EXPECT_EQ(picture.Kind(), PictureKind::Jpeg);
    EXPECT_EQ(picture.Width(), 33);
    EXPECT_EQ(picture.Height(), 17);
}

TEST(JpegReaderTest, HeaderUpToTheFirstScanIsEnough) {
    // Everything after the start of scan is cut off: nothing is decoded.
    std::vector<uint8_t> file = graphic_files::JpegFile(8, 8);
    for (size_t i = 0; i + 1 < file.size(); ++i) {
        if (file[i] == 0xFF && file[i + 1] == 0xDA) {
            file.resize(i + 14);  // SOS marker and its 12-byte segment for 3 components
            break;
        }
    }
    ScratchDir dir;
    EXPECT_EQ(LoadError(dir.Write("cut.jpg", file)), "");
}

TEST(JpegReaderTest, EmptyFileIsAnEmptyJpegImage) {
    ScratchDir dir;
    Picture picture;
    ASSERT_EQ(LoadError(picture, dir.Write("empty.jpg", {})), "");
    EXPECT_EQ(picture.Kind(), PictureKind::Jpeg);
    EXPECT_EQ(picture.Width(), 0);
    EXPECT_EQ(picture.Height(), 0);
}

TEST(JpegReaderTest, LibraryErrorsCarryTheMessageCode) {
    ScratchDir dir;
    // A bitmap named .jpg: no start-of-image marker.
    EXPECT_EQ(LoadError(dir.Write("bitmap.jpg", bmp_builder::BuildBmp(TwoByTwoSpec()))), JpegError(JERR_NO_SOI));
    // The file ends before any frame: the library meets the end of data.
    const std::vector<uint8_t> full = graphic_files::JpegFile(8, 8);
    EXPECT_EQ(LoadError(dir.Write("cut.jpg", {full.begin(), full.begin() + 20})), JpegError(JERR_NO_IMAGE));
    // A frame of zero width.
    std::vector<uint8_t> zero = full;
    for (size_t i = 0; i + 8 < zero.size(); ++i) {
        if (zero[i] == 0xFF && zero[i + 1] == 0xC0) {
            zero[i + 7] = 0;  // width, high byte
            zero[i + 8] = 0;  // width, low byte
            break;
        }
    }
    EXPECT_EQ(LoadError(dir.Write("zero.jpg", zero)), JpegError(JERR_EMPTY_IMAGE));
}

TEST(JpegReaderTest, AsBitmapDiscardsTheJpegImage) {
    ScratchDir dir;
    Picture picture;
    ASSERT_EQ(LoadError(picture, dir.Write("a.jpg", graphic_files::JpegFile(4, 4))), "");
    const Bitmap& bitmap = AsBitmap(picture);
    EXPECT_EQ(bitmap.Width(), 0);
    EXPECT_EQ(bitmap.Height(), 0);
    EXPECT_EQ(bitmap.BitsPerPixel(), 0);
    EXPECT_EQ(picture.Width(), 0);
}

}  // namespace
