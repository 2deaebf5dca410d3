// Picture model: extension rule, registry, open failures, content changes
// and their notices, AsBitmap, ClearPicture, PixelRow bounds.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <optional>

#include "graphic_files.h"
#include "load_helpers.h"
#include "messages.h"
#include "scratch_dir.h"
#include "unprivileged.h"

namespace {

using bmp_builder::BuildBmp;

// The extension alone chooses the reader: each row gives a file name, the
// content written to it, and the kind it loads as (none: unregistered).
struct RegistryCase {
    const char* name;
    std::vector<uint8_t> (*content)();
    std::optional<PictureKind> kind;
    const char* shownExtension;
};

std::vector<uint8_t> BitmapContent() { return BuildBmp(TwoByTwoSpec()); }
std::vector<uint8_t> IconContent() { return graphic_files::IconFile(); }
std::vector<uint8_t> EnhancedContent() { return graphic_files::EnhancedMetafile(); }
std::vector<uint8_t> PlaceableContent() { return graphic_files::PlaceableMetafile(); }
std::vector<uint8_t> JpegContent() { return graphic_files::JpegFile(4, 3); }

class PictureRegistryTest : public testing::TestWithParam<RegistryCase> {};

TEST_P(PictureRegistryTest, ExtensionDecidesTheKindIgnoringCase) {
    const RegistryCase& c = GetParam();
    ScratchDir dir;
    const std::string path = dir.Write(c.name, c.content());
    Picture picture;
    const std::string error = LoadError(picture, path);
    if (c.kind) {
        EXPECT_EQ(error, "");
        EXPECT_EQ(picture.Kind(), *c.kind);
    } else {
        EXPECT_EQ(error, std::string("Unknown picture file extension (.") + c.shownExtension + ")");
        EXPECT_EQ(picture.Kind(), PictureKind::Empty);
    }
}

TEST_P(PictureRegistryTest, UnregisteredExtensionIsReportedBeforeTheFileIsTouched) {
    const RegistryCase& c = GetParam();
    ScratchDir dir;
    const std::string error = LoadError(dir.Path(c.name));  // no such file
    if (c.kind) {
        EXPECT_EQ(error.rfind("Cannot open file \"", 0), 0u) << error;
    } else {
        EXPECT_EQ(error, std::string("Unknown picture file extension (.") + c.shownExtension + ")");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, PictureRegistryTest,
    testing::Values(RegistryCase{"a.bmp", BitmapContent, PictureKind::Bitmap, ""},
                    RegistryCase{"a.BMP", BitmapContent, PictureKind::Bitmap, ""},
                    RegistryCase{"a.Bmp", BitmapContent, PictureKind::Bitmap, ""},
                    RegistryCase{"a.ico", IconContent, PictureKind::Icon, ""},
                    RegistryCase{"a.ICO", IconContent, PictureKind::Icon, ""},
                    RegistryCase{"a.emf", EnhancedContent, PictureKind::Metafile, ""},
                    RegistryCase{"a.wmf", PlaceableContent, PictureKind::Metafile, ""},
                    // One reader for both: the content decides the form.
                    RegistryCase{"a.wmf", EnhancedContent, PictureKind::Metafile, ""},
                    RegistryCase{"a.EMF", PlaceableContent, PictureKind::Metafile, ""},
                    RegistryCase{"a.jpg", JpegContent, PictureKind::Jpeg, ""},
                    RegistryCase{"a.JPG", JpegContent, PictureKind::Jpeg, ""},
                    RegistryCase{"a.jpeg", JpegContent, PictureKind::Jpeg, ""},
                    RegistryCase{"a.dib", BitmapContent, std::nullopt, "dib"},
                    RegistryCase{"a.rle", BitmapContent, std::nullopt, "rle"},
                    RegistryCase{"a.Txt", BitmapContent, std::nullopt, "Txt"},
                    RegistryCase{"a.bmp.gif", BitmapContent, std::nullopt, "gif"},
                    RegistryCase{"noext", BitmapContent, std::nullopt, ""},
                    RegistryCase{"ends.", BitmapContent, std::nullopt, ""}));

TEST(PictureOpenTest, MissingFileNamesTheAbsolutePathAndTheReason) {
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(LoadError("no-such-folder-7f3a/missing.bmp"),
              "Cannot open file \"" + cwd + "/no-such-folder-7f3a/missing.bmp\". No such file or directory");

    ScratchDir dir;
    EXPECT_EQ(LoadError(dir.Root() + "/sub/../missing.jpg"),
              "Cannot open file \"" + dir.Root() + "/missing.jpg\". No such file or directory");
}

TEST(PictureOpenTest, FolderIsNotOpenedAsAFile) {
    ScratchDir dir;
    std::filesystem::create_directory(dir.Path("folder.bmp"));
    EXPECT_EQ(LoadError(dir.Path("folder.bmp")), "Cannot open file \"" + dir.Path("folder.bmp") + "\". Is a directory");
}

TEST(PictureOpenTest, UnreadableFileGivesTheAccessReason) {
    ScratchDir dir;
    ASSERT_EQ(chmod(dir.Root().c_str(), 0755), 0);
    const std::string path = dir.Write("locked.bmp", BuildBmp(TwoByTwoSpec()));
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    const unprivileged::Outcome outcome = unprivileged::Run(path, [&] { return LoadError(path); });
    ASSERT_EQ(outcome.problem, "");
    EXPECT_EQ(outcome.value, "Cannot open file \"" + path + "\". Permission denied");
}

// Counts change notices; holds a loaded 2 x 2 bitmap to start from.
class PictureContentTest : public testing::Test {
protected:
    void SetUp() override {
        picture_.SetChangeListener([this] { ++notices_; });
        bitmapPath_ = dir_.Write("two.bmp", BuildBmp(TwoByTwoSpec()));
        jpegPath_ = dir_.Write("small.jpg", graphic_files::JpegFile(5, 7));
    }

    ScratchDir dir_;
    Picture picture_;
    int notices_ = 0;
    std::string bitmapPath_;
    std::string jpegPath_;
};

TEST_F(PictureContentTest, SuccessfulLoadReplacesContentAndReportsOnce) {
    ASSERT_EQ(LoadError(picture_, bitmapPath_), "");
    EXPECT_EQ(notices_, 1);
    EXPECT_EQ(picture_.Kind(), PictureKind::Bitmap);
    EXPECT_EQ(picture_.Width(), 2);
    EXPECT_EQ(picture_.Height(), 2);

    ASSERT_EQ(LoadError(picture_, jpegPath_), "");
    EXPECT_EQ(notices_, 2);
    EXPECT_EQ(picture_.Kind(), PictureKind::Jpeg);
    EXPECT_EQ(picture_.BitmapIfAny(), nullptr);
    EXPECT_EQ(picture_.Width(), 5);
    EXPECT_EQ(picture_.Height(), 7);
}

TEST_F(PictureContentTest, FailedLoadKeepsContentAndReportsNothing) {
    ASSERT_EQ(LoadError(picture_, bitmapPath_), "");
    const Bitmap* before = picture_.BitmapIfAny();
    const std::vector<uint8_t> top = Bytes(before->PixelRow(0));
    const std::vector<uint8_t> bottom = Bytes(before->PixelRow(1));

    bmp_builder::BmpSpec bad = TwoByTwoSpec();
    bad.magic = {'B', 'A'};
    const std::vector<std::string> failing = {
        dir_.Path("missing.bmp"),
        dir_.Write("bad.bmp", BuildBmp(bad)),
        dir_.Write("short.bmp", std::vector<uint8_t>(10, 'B')),
        dir_.Write("bitmap.jpg", BuildBmp(TwoByTwoSpec())),
        dir_.Write("bad.ico", graphic_files::IconFile(7)),
        dir_.Write("bad.wmf", std::vector<uint8_t>(30, 0)),
        dir_.Write("other.gif", BuildBmp(TwoByTwoSpec())),
    };
    for (const std::string& path : failing) {
        EXPECT_NE(LoadError(picture_, path), "") << path;
        EXPECT_EQ(picture_.BitmapIfAny(), before) << path;
        EXPECT_EQ(picture_.Width(), 2);
        EXPECT_EQ(picture_.Height(), 2);
        EXPECT_EQ(Bytes(before->PixelRow(0)), top);
        EXPECT_EQ(Bytes(before->PixelRow(1)), bottom);
    }
    EXPECT_EQ(notices_, 1);
}

TEST_F(PictureContentTest, FailedLoadKeepsAnOtherGraphic) {
    ASSERT_EQ(LoadError(picture_, jpegPath_), "");
    EXPECT_NE(LoadError(picture_, dir_.Write("cut.jpg", {0xFF, 0xD8, 0xFF})), "");
    EXPECT_EQ(picture_.Kind(), PictureKind::Jpeg);
    EXPECT_EQ(picture_.Width(), 5);
    EXPECT_EQ(notices_, 1);
}

TEST_F(PictureContentTest, AsBitmapKeepsABitmapWithoutNotice) {
    ASSERT_EQ(LoadError(picture_, bitmapPath_), "");
    const Bitmap* loaded = picture_.BitmapIfAny();
    Bitmap& bitmap = AsBitmap(picture_);
    EXPECT_EQ(&bitmap, loaded);
    EXPECT_EQ(bitmap.BitsPerPixel(), 24);
    EXPECT_EQ(notices_, 1);
}

TEST_F(PictureContentTest, AsBitmapReplacesAJpegByAnEmptyBitmap) {
    ASSERT_EQ(LoadError(picture_, jpegPath_), "");
    Bitmap& bitmap = AsBitmap(picture_);
    EXPECT_EQ(notices_, 2);
    EXPECT_EQ(picture_.Kind(), PictureKind::Bitmap);
    EXPECT_EQ(bitmap.Width(), 0);
    EXPECT_EQ(bitmap.Height(), 0);
    EXPECT_EQ(bitmap.BitsPerPixel(), 0);
    EXPECT_EQ(picture_.Width(), 0);
    EXPECT_EQ(picture_.Height(), 0);
    // Asking again returns the same bitmap and changes nothing.
    EXPECT_EQ(&AsBitmap(picture_), &bitmap);
    EXPECT_EQ(notices_, 2);
}

TEST_F(PictureContentTest, AsBitmapOnAnEmptyPictureMakesAnEmptyBitmap) {
    Bitmap& bitmap = AsBitmap(picture_);
    EXPECT_EQ(notices_, 1);
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_EQ(picture_.Kind(), PictureKind::Bitmap);
}

TEST_F(PictureContentTest, ClearEmptiesAndReports) {
    ASSERT_EQ(LoadError(picture_, bitmapPath_), "");
    ClearPicture(picture_);
    EXPECT_EQ(notices_, 2);
    EXPECT_EQ(picture_.Kind(), PictureKind::Empty);
    EXPECT_EQ(picture_.Width(), 0);
    EXPECT_EQ(picture_.Height(), 0);
    EXPECT_EQ(picture_.BitmapIfAny(), nullptr);

    const Bitmap& bitmap = AsBitmap(picture_);
    EXPECT_EQ(bitmap.Width(), 0);
    EXPECT_EQ(bitmap.BitsPerPixel(), 0);
    EXPECT_EQ(notices_, 3);
}

void ExpectScanLineError(const Bitmap& bitmap, int32_t row) {
    try {
        (void)bitmap.PixelRow(row);
        ADD_FAILURE() << "row " << row << " was accepted";
    } catch (const CitraError& error) {
        EXPECT_STREQ(error.what(), msg::kScanLine) << row;
    }
}

TEST(PixelRowTest, RowsOutsideTheBitmapFail) {
    ScratchDir dir;
    Picture picture;
    ASSERT_EQ(LoadError(picture, dir.Write("two.bmp", BuildBmp(TwoByTwoSpec()))), "");
    const Bitmap& bitmap = *picture.BitmapIfAny();
    for (int32_t row : {-1, 2, 3, INT32_MIN, INT32_MAX}) {
        ExpectScanLineError(bitmap, row);
    }
    EXPECT_EQ(bitmap.PixelRow(1).size(), 8u);
    EXPECT_THROW((void)PixelRow(bitmap, -1), CitraError);

    const Bitmap empty;
    for (int32_t row : {-1, 0, 1}) {
        ExpectScanLineError(empty, row);
    }
}

}  // namespace
