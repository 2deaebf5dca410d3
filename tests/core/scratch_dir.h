#pragma once
// A temporary folder for the files a test writes; removed with its content
// when the object goes.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

class ScratchDir {
public:
    ScratchDir() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/citra-test-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        root_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ec;
        // Undo permission changes a test made, so everything can be removed.
        for (auto it = std::filesystem::recursive_directory_iterator(root_, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
        }
        std::filesystem::remove_all(root_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& Root() const { return root_; }
    std::string Path(const std::string& name) const { return root_ + "/" + name; }

    // Writes the bytes to a file of that name and returns its path.
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        const std::string path = Path(name);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            throw std::runtime_error("cannot write " + path);
        }
        return path;
    }

private:
    std::string root_;
};
