#pragma once
// Locales compiled by localedef into a temporary folder, for tests that
// need one this machine has not generated: point LOCPATH at Path().
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

class CompiledLocales {
public:
    CompiledLocales() {
        std::string pattern = (std::filesystem::temp_directory_path() / "citra_locales_XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            failure_ = std::string("cannot create a temporary folder: ") + std::strerror(errno);
            return;
        }
        path_ = pattern;
    }
    ~CompiledLocales() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    CompiledLocales(const CompiledLocales&) = delete;
    CompiledLocales& operator=(const CompiledLocales&) = delete;

    // Compiles the definition `input` (a name from /usr/share/i18n/locales
    // or a file path) with `charmap` as Path()/name. False with
    // SkipReason() when localedef is missing, with Failure() when it fails.
    bool Add(const std::string& input, const std::string& charmap, const std::string& name) {
        if (path_.empty()) return false;
        const std::string output = path_ + "/" + name;
        std::vector<std::string> args{"localedef", "-i", input, "-f", charmap, output};
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        const int spawned = posix_spawnp(&pid, "localedef", nullptr, nullptr, argv.data(), environ);
        if (spawned == ENOENT) {
            skipReason_ = "localedef is not installed (Debian package locales, scripts/install-deps.sh)";
            return false;
        }
        if (spawned != 0) {
            failure_ = std::string("cannot start localedef: ") + std::strerror(spawned);
            return false;
        }
        int status = 0;
        if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            failure_ = "localedef -i " + input + " -f " + charmap + " " + output + " failed (status " +
                       std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")";
            return false;
        }
        if (!std::filesystem::exists(output + "/LC_NUMERIC")) {
            failure_ = "localedef wrote no " + output + "/LC_NUMERIC";
            return false;
        }
        return true;
    }

    const std::string& Path() const { return path_; }
    const std::string& SkipReason() const { return skipReason_; }
    const std::string& Failure() const { return failure_; }

private:
    std::string path_;
    std::string skipReason_;
    std::string failure_;
};

// Use in a test body: compiles or skips / fails with the reason.
#define COMPILE_LOCALE_OR_SKIP(locales, input, charmap, name)                     \
    do {                                                                          \
        if (!(locales).Add(input, charmap, name)) {                               \
            if (!(locales).SkipReason().empty()) GTEST_SKIP() << (locales).SkipReason(); \
            FAIL() << (locales).Failure();                                        \
        }                                                                         \
    } while (false)
