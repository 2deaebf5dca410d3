#include "study_pairs.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <system_error>

#include "file_pair.h"
#include "formats.h"
#include "input_file.h"
#include "picture.h"
#include "platform_error.h"
#include "engine_texts.h"

namespace {

namespace fs = std::filesystem;

struct FolderListing {
    std::string prefix;                                  // the folder with a trailing '/'
    std::map<std::string, std::vector<std::string>> stems;  // stem -> file names, sorted
    std::optional<std::string> error;
};

FolderListing ListImages(const std::string& folder) {
    FolderListing listing;
    listing.prefix = folder.ends_with('/') ? folder : folder + "/";
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const std::string_view extension = FileExtension(name);
        std::error_code statError;
        // is_regular_file follows a symbolic link to the file it names.
        if (!IsImagePath(name) || !it->is_regular_file(statError)) continue;
        listing.stems[name.substr(0, name.size() - extension.size() - 1)].push_back(name);
    }
    if (ec) {
        listing.error = text::CannotReadFolder(AbsolutePath(folder), PlatformErrorText(ec.value()));
    } else if (listing.stems.empty()) {
        listing.error = text::NoImageInFolder(AbsolutePath(folder));
    }
    // std::string compares as unsigned bytes: byte order of the names.
    for (auto& [stem, names] : listing.stems) std::sort(names.begin(), names.end());
    return listing;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& name : names) out += (out.empty() ? "" : ", ") + name;
    return out;
}

const std::vector<std::string>& NamesOf(const FolderListing& listing, const std::string& stem) {
    static const std::vector<std::string> kNone;
    const auto it = listing.stems.find(stem);
    return it == listing.stems.end() ? kNone : it->second;
}

void AppendPairs(const std::string& coverFolder, const FolderListing& covers, const std::string& stegoFolder,
                 const FolderListing& stego, std::vector<StudyPair>& pairs) {
    std::map<std::string, bool> stems;  // the names of both folders, in order
    for (const auto& entry : covers.stems) stems[entry.first];
    for (const auto& entry : stego.stems) stems[entry.first];
    for (const auto& entry : stems) {
        const std::string& stem = entry.first;
        const auto& c = NamesOf(covers, stem);
        const auto& s = NamesOf(stego, stem);
        StudyPair pair{c.size() == 1 ? covers.prefix + c[0] : coverFolder,
                       s.size() == 1 ? stego.prefix + s[0] : stegoFolder, std::nullopt};
        if (c.size() > 1) pair.error = text::SameStem(stem, coverFolder, Joined(c));
        else if (s.size() > 1) pair.error = text::SameStem(stem, stegoFolder, Joined(s));
        else if (c.empty()) pair.error = text::NoPartner(pair.stego, coverFolder);
        else if (s.empty()) pair.error = text::NoPartner(pair.cover, stegoFolder);
        pairs.push_back(std::move(pair));
    }
}

}  // namespace

std::vector<StudyPair> PairStudyFolders(const std::string& coverFolder, std::span<const std::string> stegoFolders) {
    const FolderListing covers = ListImages(coverFolder);
    std::vector<StudyPair> pairs;
    for (const std::string& stegoFolder : stegoFolders) {
        if (covers.error) {
            pairs.push_back({coverFolder, stegoFolder, covers.error});
            continue;
        }
        const FolderListing stego = ListImages(stegoFolder);
        if (stego.error) {
            pairs.push_back({coverFolder, stegoFolder, stego.error});
            continue;
        }
        AppendPairs(coverFolder, covers, stegoFolder, stego, pairs);
    }
    return pairs;
}

PairResult CompareStudyPair(const StudyPair& pair, StreamBuffers& buffers, const StandardOptions& options) {
    if (pair.error) {
        PairResult result;
        result.original = pair.cover;
        result.manipulated = pair.stego;
        result.error = pair.error;
        return result;
    }
    return CompareFilePair(pair.cover, pair.stego, nullptr, buffers, options);
}
