#include "manipulated_list.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "input_file.h"
#include "picture.h"
#include "platform_error.h"
#include "engine_texts.h"

namespace {

namespace fs = std::filesystem;

std::string CannotList(const std::string& folder, const std::error_code& ec) {
    return text::CannotReadFolder(AbsolutePath(folder), PlatformErrorText(ec.value()));
}

// The folder's .bmp names, sorted; an error message when it cannot be listed.
std::optional<std::string> ListBmpNames(const std::string& folder, std::vector<std::string>& names) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code statError;
        // is_regular_file follows a symbolic link to the file it names.
        if (IsBitmapFilePath(name) && it->is_regular_file(statError)) names.push_back(name);
    }
    if (ec) return CannotList(folder, ec);
    // std::string compares as unsigned bytes: byte order of the names.
    std::sort(names.begin(), names.end());
    return std::nullopt;
}

}  // namespace

bool IsFolder(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

std::vector<PairInput> ExpandManipulated(std::span<const std::string> operands) {
    std::vector<PairInput> inputs;
    for (const std::string& operand : operands) {
        if (!IsFolder(operand)) {
            inputs.push_back({operand, std::nullopt});
            continue;
        }
        std::vector<std::string> names;
        if (auto error = ListBmpNames(operand, names)) {
            inputs.push_back({operand, std::move(error)});
        } else if (names.empty()) {
            inputs.push_back({operand, text::NoBmpInFolder(AbsolutePath(operand))});
        } else {
            const std::string prefix = operand.ends_with('/') ? operand : operand + "/";
            for (const std::string& name : names) inputs.push_back({prefix + name, std::nullopt});
        }
    }
    return inputs;
}
