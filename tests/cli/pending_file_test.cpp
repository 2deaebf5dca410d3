// PendingFile against what may already be at the target: a file of its
// own mode, a symbolic link, a file with several hard links, a FIFO, a
// device node, a folder, a socket. Everything is made in a scratch folder.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "../core/scratch_dir.h"
#include "whole_file.h"

namespace {

namespace fs = std::filesystem;

std::string Content(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Put(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    ASSERT_TRUE(out.good()) << path;
}

// Every name below the folder, links not followed: a temporary file left
// behind shows as an extra name.
std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        names.insert(entry.path().lexically_relative(folder).string());
    return names;
}

struct stat LinkStat(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path << ": " << std::strerror(errno);
    return st;
}

// Opens, appends a first part and commits the rest, as diff does.
std::optional<std::string> WriteInTwoParts(const std::string& path, const std::string& first,
                                           const std::string& rest) {
    PendingFile file(path);
    if (auto reason = file.Open()) return reason;
    if (auto reason = file.Append(first.data(), first.size())) return reason;
    return file.Commit(rest);
}

TEST(PendingFile, ReplacesARegularFileKeepingItsPermissions) {
    for (const mode_t mode : {0600, 0640, 0751}) {
        ScratchDir dir;
        const std::string target = dir.Path("keluaran.png");
        Put(target, "lama");
        ASSERT_EQ(chmod(target.c_str(), mode), 0);
        const ino_t before = LinkStat(target).st_ino;

        ASSERT_EQ(WriteInTwoParts(target, "isi ", "baru"), std::nullopt);
        EXPECT_EQ(Content(target), "isi baru");
        const struct stat after = LinkStat(target);
        EXPECT_EQ(after.st_mode & 07777, mode) << std::oct << mode;
        EXPECT_NE(after.st_ino, before) << "renamed over, never written in place";
        EXPECT_EQ(Names(dir.Root()), std::set<std::string>{"keluaran.png"});
    }
}

// Run as root, a replaced file stays its owner's, not root's.
TEST(PendingFile, KeepsTheOwnerAndGroupWhenRunAsRoot) {
    if (geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
    ScratchDir dir;
    const std::string target = dir.Path("milik_orang.png");
    Put(target, "lama");
    ASSERT_EQ(chown(target.c_str(), 4321, 4322), 0) << std::strerror(errno);
    ASSERT_EQ(WriteInTwoParts(target, "isi ", "baru"), std::nullopt);
    EXPECT_EQ(Content(target), "isi baru");
    const struct stat after = LinkStat(target);
    EXPECT_EQ(after.st_uid, 4321u);
    EXPECT_EQ(after.st_gid, 4322u);
}

// The file at the end of the links is replaced; every link stays a link
// with the same text.
TEST(PendingFile, FollowsSymbolicLinksAndKeepsThem) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> links;  // name, what it points to
        bool targetExists;
    };
    const std::vector<Case> cases = {
        {"one link into a subfolder", {{"keluaran.png", "hasil/gambar.png"}}, true},
        {"a chain, one absolute", {{"keluaran.png", "tengah.png"}, {"tengah.png", "@hasil/gambar.png"}}, true},
        {"a link to no file yet", {{"keluaran.png", "hasil/gambar.png"}}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        fs::create_directory(dir.Path("hasil"));
        const std::string real = dir.Path("hasil/gambar.png");
        if (c.targetExists) {
            Put(real, "lama");
            ASSERT_EQ(chmod(real.c_str(), 0600), 0);
        }
        for (const auto& [name, to] : c.links) {
            const std::string text = to.starts_with('@') ? dir.Path(to.substr(1)) : to;
            ASSERT_EQ(symlink(text.c_str(), dir.Path(name).c_str()), 0);
        }
        const std::set<std::string> names = Names(dir.Root());

        ASSERT_EQ(WriteInTwoParts(dir.Path("keluaran.png"), "isi ", "baru"), std::nullopt);
        EXPECT_EQ(Content(real), "isi baru");
        EXPECT_TRUE(S_ISREG(LinkStat(real).st_mode));
        if (c.targetExists) {
            EXPECT_EQ(LinkStat(real).st_mode & 0777, 0600u);
        }
        for (const auto& [name, to] : c.links) {
            const std::string text = to.starts_with('@') ? dir.Path(to.substr(1)) : to;
            EXPECT_TRUE(S_ISLNK(LinkStat(dir.Path(name)).st_mode)) << name;
            EXPECT_EQ(fs::read_symlink(dir.Path(name)).string(), text) << name;
        }
        std::set<std::string> expected = names;
        expected.insert("hasil/gambar.png");
        EXPECT_EQ(Names(dir.Root()), expected);
    }
}

// Every name of the file sees the new content, shorter or longer than the
// old; a run that never commits leaves it as it was.
TEST(PendingFile, WritesAFileWithSeveralLinksInPlace) {
    for (const std::string& content : {std::string("baru"), std::string(100000, 'x')}) {
        ScratchDir dir;
        const std::string first = dir.Path("asli.png"), second = dir.Path("nama_lain.png");
        Put(first, "isi lama yang panjang");
        ASSERT_EQ(chmod(first.c_str(), 0640), 0);
        ASSERT_EQ(link(first.c_str(), second.c_str()), 0);
        const ino_t inode = LinkStat(first).st_ino;
        {
            PendingFile abandoned(second);
            ASSERT_EQ(abandoned.Open(), std::nullopt);
            ASSERT_EQ(abandoned.Append("setengah", 8), std::nullopt);
        }
        EXPECT_EQ(Content(first), "isi lama yang panjang");

        ASSERT_EQ(WriteInTwoParts(second, content.substr(0, 2), content.substr(2)), std::nullopt);
        EXPECT_EQ(Content(first), content);
        const struct stat after = LinkStat(second);
        EXPECT_EQ(after.st_ino, inode);
        EXPECT_EQ(after.st_nlink, 2u);
        EXPECT_EQ(after.st_mode & 0777, 0640u);
        EXPECT_EQ(Names(dir.Root()), (std::set<std::string>{"asli.png", "nama_lain.png"}));
    }
}

// A FIFO gets the content through itself, read by another thread, and
// stays a FIFO; no temporary file is made beside it.
TEST(PendingFile, WritesIntoAFifo) {
    ScratchDir dir;
    const std::string fifo = dir.Path("pipa.png");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string read;
    std::thread reader([&] {
        const int fd = open(fifo.c_str(), O_RDONLY);
        if (fd < 0) return;
        char buffer[4096];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) break;
            read.append(buffer, static_cast<size_t>(n));
        }
        close(fd);
    });
    const std::string big(300000, 'p');  // more than a pipe holds: streamed while read
    const auto reason = WriteInTwoParts(fifo, big, "akhir");
    // Lets a reader still waiting for a writer go (a file put in the FIFO's
    // place was never opened through it).
    const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) close(fd);
    reader.join();
    ASSERT_EQ(reason, std::nullopt);
    EXPECT_EQ(read, big + "akhir");
    EXPECT_TRUE(S_ISFIFO(LinkStat(fifo).st_mode));
    EXPECT_EQ(Names(dir.Root()), std::set<std::string>{"pipa.png"});
}

// A character device (the null device's numbers, made in the scratch
// folder) is written, never replaced by a regular file.
TEST(PendingFile, WritesADeviceNodeInPlace) {
    ScratchDir dir;
    const std::string node = dir.Path("kosong");
    if (mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        GTEST_SKIP() << "cannot make a device node here: " << std::strerror(errno);
    ASSERT_EQ(WriteInTwoParts(node, "isi ", "baru"), std::nullopt);
    const struct stat after = LinkStat(node);
    EXPECT_TRUE(S_ISCHR(after.st_mode));
    EXPECT_EQ(after.st_rdev, makedev(1, 3));
    EXPECT_EQ(Names(dir.Root()), std::set<std::string>{"kosong"});
}

TEST(PendingFile, RefusesAFolderAndASocketBeforeAnyWrite) {
    ScratchDir dir;
    const std::string folder = dir.Path("folder.png");
    fs::create_directory(folder);
    const std::string socketPath = dir.Path("soket.png");
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0) << std::strerror(errno);
    const std::set<std::string> names = Names(dir.Root());

    const std::vector<std::pair<std::string, std::string>> cases = {{folder, "Is a directory"},
                                                                    {socketPath, "Is a socket"}};
    for (const auto& [path, reason] : cases) {
        PendingFile file(path);
        EXPECT_EQ(file.Open(), reason) << path;
        EXPECT_NE(file.Commit("isi"), std::nullopt) << path;
    }
    close(sock);
    EXPECT_TRUE(S_ISDIR(LinkStat(folder).st_mode));
    EXPECT_TRUE(S_ISSOCK(LinkStat(socketPath).st_mode));
    EXPECT_EQ(Names(dir.Root()), names);
}

}  // namespace
