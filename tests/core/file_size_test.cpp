// MeasureFileSize: true lengths, also beyond 2 GiB, and its I/O errors.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <filesystem>

#include "io_error.h"
#include "load_helpers.h"
#include "scratch_dir.h"
#include "unprivileged.h"

namespace {

std::string SizeError(const std::string& path) {
    try {
        (void)MeasureFileSize(path);
    } catch (const CitraError& error) {
        return error.what();
    }
    return "";
}

TEST(FileSizeTest, MeasuresTheTwoByTwoBitmapAndAReadOnlyFile) {
    ScratchDir dir;
    const std::string path = dir.Write("two.bmp", bmp_builder::BuildBmp(TwoByTwoSpec()));
    EXPECT_EQ(MeasureFileSize(path), 70);
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    EXPECT_EQ(MeasureFileSize(path), 70);
    EXPECT_EQ(MeasureFileSize(dir.Write("empty.bmp", {})), 0);
}

TEST(FileSizeTest, LengthBeyondTwoGibibytesIsExact) {
    ScratchDir dir;
    const std::string path = dir.Path("sparse.bmp");
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    const int64_t length = (int64_t{3} << 30) + 7;
    const int truncated = ::ftruncate(fd, length);
    ::close(fd);
    if (truncated != 0) {
        GTEST_SKIP() << "the file system cannot hold a sparse 3 GiB file";
    }
    EXPECT_EQ(MeasureFileSize(path), length);
}

TEST(FileSizeTest, MissingFileAndMissingPathAreTold) {
    ScratchDir dir;
    const std::string file = dir.Write("file.bmp", {1, 2, 3});
    EXPECT_EQ(SizeError(dir.Path("missing.bmp")), "File not found");
    EXPECT_EQ(SizeError(dir.Path("no-folder/missing.bmp")), "Invalid filename");
    EXPECT_EQ(SizeError(file + "/inside.bmp"), "Invalid filename");
    EXPECT_EQ(SizeError(dir.Root()), "I/O error " + std::to_string(EISDIR));
}

TEST(FileSizeTest, RunningOutOfFileHandlesIsTold) {
    ScratchDir dir;
    const std::string file = dir.Write("file.bmp", {1, 2, 3});
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old), 0);
    rlimit low = old;
    low.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    std::vector<int> held;
    for (int fd = ::open("/dev/null", O_RDONLY); fd >= 0; fd = ::open("/dev/null", O_RDONLY)) {
        held.push_back(fd);
    }
    // The error is only kept here: its text is read once handles are free
    // again (sanitizer runtimes need a handle to check a virtual call).
    std::exception_ptr failure;
    try {
        (void)MeasureFileSize(file);
    } catch (...) {
        failure = std::current_exception();
    }
    for (int fd : held) {
        ::close(fd);
    }
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &old), 0);
    std::string error;
    try {
        if (failure) {
            std::rethrow_exception(failure);
        }
    } catch (const CitraError& e) {
        error = e.what();
    }
    EXPECT_EQ(error, "Too many open files");
    EXPECT_EQ(MeasureFileSize(file), 3);
}

TEST(FileSizeTest, UnreadableFileIsAccessDenied) {
    ScratchDir dir;
    ASSERT_EQ(chmod(dir.Root().c_str(), 0755), 0);
    const std::string file = dir.Write("locked.bmp", {1, 2, 3});
    ASSERT_EQ(chmod(file.c_str(), 0), 0);
    const unprivileged::Outcome outcome = unprivileged::Run(file, [&] { return SizeError(file); });
    ASSERT_EQ(outcome.problem, "");
    EXPECT_EQ(outcome.value, "File access denied");
}

struct IoErrorCase {
    int err;
    const char* message;
};

class IoErrorMessageTest : public testing::TestWithParam<IoErrorCase> {};

TEST_P(IoErrorMessageTest, MapsTheErrorNumber) {
    EXPECT_EQ(IoErrorMessage(GetParam().err), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, IoErrorMessageTest,
    testing::Values(IoErrorCase{ENOENT, "File not found"}, IoErrorCase{ENOTDIR, "Invalid filename"},
                    IoErrorCase{ENAMETOOLONG, "Invalid filename"}, IoErrorCase{EMFILE, "Too many open files"},
                    IoErrorCase{ENFILE, "Too many open files"}, IoErrorCase{EACCES, "File access denied"},
                    IoErrorCase{EPERM, "File access denied"}, IoErrorCase{EIO, "I/O error 5"},
                    IoErrorCase{EISDIR, "I/O error 21"}));

}  // namespace
