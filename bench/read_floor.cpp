// The floor of a study of small files: each file named on the command line
// (or every file of a folder named) read whole into one buffer that is
// reused, and nothing else. Prints the files and bytes read.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::filesystem::is_directory(argv[i])) {
            for (const auto& entry : std::filesystem::directory_iterator(argv[i])) files.push_back(entry.path());
        } else {
            files.emplace_back(argv[i]);
        }
    }
    std::sort(files.begin(), files.end());
    std::vector<char> buffer;
    unsigned long long total = 0;
    for (const std::string& path : files) {
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return std::perror(path.c_str()), 1;
        struct stat info {};
        if (fstat(fd, &info) != 0) return std::perror(path.c_str()), 1;
        if (buffer.size() < static_cast<size_t>(info.st_size)) buffer.resize(static_cast<size_t>(info.st_size));
        size_t done = 0;
        while (done < static_cast<size_t>(info.st_size)) {
            const ssize_t n = pread(fd, buffer.data() + done, static_cast<size_t>(info.st_size) - done,
                                    static_cast<off_t>(done));
            if (n <= 0) return std::perror(path.c_str()), 1;
            done += static_cast<size_t>(n);
        }
        total += done;
        close(fd);
    }
    std::printf("%zu files, %llu bytes\n", files.size(), total);
    return 0;
}
