#include "pair_list.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <system_error>

#include "engine_texts.h"
#include "formats.h"
#include "input_file.h"
#include "platform_error.h"

namespace {

namespace fs = std::filesystem;

struct FolderListing {
    std::string prefix;                                     // the folder with a trailing '/'
    std::vector<std::string> names;                         // image files, byte order
    std::map<std::string, std::vector<std::string>> stems;  // stem -> file names, sorted
    std::optional<std::string> error;
};

// The image files directly inside a folder (IsImagePath; a symbolic link
// counts as the file it names).
FolderListing ListImages(const std::string& folder) {
    FolderListing listing;
    listing.prefix = folder.ends_with('/') ? folder : folder + "/";
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code statError;
        if (!IsImagePath(name) || !it->is_regular_file(statError)) continue;
        listing.names.push_back(name);
        listing.stems[name.substr(0, name.size() - FileExtension(name).size() - 1)].push_back(name);
    }
    if (ec) {
        listing.error = text::CannotReadFolder(AbsolutePath(folder), PlatformErrorText(ec.value()));
    } else if (listing.names.empty()) {
        listing.error = text::NoImageInFolder(AbsolutePath(folder));
    }
    // std::string compares as unsigned bytes: byte order of the names.
    std::sort(listing.names.begin(), listing.names.end());
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

void AppendStudyPairs(const std::string& coverFolder, const FolderListing& covers, const std::string& stegoFolder,
                      const FolderListing& stego, std::vector<ListedPair>& pairs) {
    std::map<std::string, bool> stems;  // the names of both folders, in order
    for (const auto& entry : covers.stems) stems[entry.first];
    for (const auto& entry : stego.stems) stems[entry.first];
    for (const auto& entry : stems) {
        const std::string& stem = entry.first;
        const auto& c = NamesOf(covers, stem);
        const auto& s = NamesOf(stego, stem);
        ListedPair pair{c.size() == 1 ? covers.prefix + c[0] : coverFolder,
                        s.size() == 1 ? stego.prefix + s[0] : stegoFolder, std::nullopt, stegoFolder};
        if (c.size() > 1) pair.error = text::SameStem(stem, coverFolder, Joined(c));
        else if (s.size() > 1) pair.error = text::SameStem(stem, stegoFolder, Joined(s));
        else if (c.empty()) pair.error = text::NoPartner(pair.manipulated, coverFolder);
        else if (s.empty()) pair.error = text::NoPartner(pair.original, stegoFolder);
        pairs.push_back(std::move(pair));
    }
}

}  // namespace

bool IsFolder(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

std::vector<ListedPair> ExpandManipulated(const std::string& original, std::span<const std::string> operands) {
    std::vector<ListedPair> pairs;
    for (const std::string& operand : operands) {
        if (!IsFolder(operand)) {
            // Kept as it is: the comparison reports it if it cannot be read.
            pairs.push_back({original, operand, std::nullopt});
            continue;
        }
        const FolderListing listing = ListImages(operand);
        if (listing.error) {
            pairs.push_back({original, operand, listing.error, operand});
            continue;
        }
        for (const std::string& name : listing.names)
            pairs.push_back({original, listing.prefix + name, std::nullopt, operand});
    }
    return pairs;
}

std::vector<ListedPair> PairStudyFolders(const std::string& coverFolder, std::span<const std::string> stegoFolders) {
    const FolderListing covers = ListImages(coverFolder);
    std::vector<ListedPair> pairs;
    for (const std::string& stegoFolder : stegoFolders) {
        if (covers.error) {
            pairs.push_back({coverFolder, stegoFolder, covers.error, stegoFolder});
            continue;
        }
        const FolderListing stego = ListImages(stegoFolder);
        if (stego.error) {
            pairs.push_back({coverFolder, stegoFolder, stego.error, stegoFolder});
            continue;
        }
        AppendStudyPairs(coverFolder, covers, stegoFolder, stego, pairs);
    }
    return pairs;
}

PairListing ListPairs(std::span<const std::string> operands) {
    PairListing listing;
    if (operands.size() < 2) return listing;
    const std::string& first = operands.front();
    const auto rest = operands.subspan(1);
    if (!IsFolder(first)) {
        listing.pairs = ExpandManipulated(first, rest);
        return listing;
    }
    // A folder first: a study of COVERS against STEGO folders.
    for (const std::string& operand : rest) {
        if (!IsFolder(operand)) {
            listing.usageError = text::OriginalIsFolder(first);
            return listing;
        }
    }
    listing.study = true;
    listing.pairs = PairStudyFolders(first, rest);
    return listing;
}

namespace {

// The fields of one CSV line (RFC 4180 quoting; a quoted field may not
// span lines here), or nullopt when its quotes do not close.
std::optional<std::vector<std::string>> CsvFields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c != '"') fields.back() += c;
            else if (i + 1 < line.size() && line[i + 1] == '"') fields.back() += '"', ++i;
            else quoted = false;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    if (quoted) return std::nullopt;
    return fields;
}

}  // namespace

PairListing ListPairsFromFile(const std::string& path) {
    PairListing listing;
    std::string text;
    try {
        InputFile file(path);
        const SampleBytes bytes = file.ReadBlock(file.Size());
        text.assign(bytes.begin(), bytes.end());
    } catch (const std::exception& e) {
        listing.readError = path + ": " + e.what();
        return listing;
    }
    size_t lineNumber = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        const auto fields = CsvFields(line);
        if (lineNumber == 1 && fields && fields->size() >= 2 && (*fields)[0] == "original" &&
            (*fields)[1] == "manipulated")
            continue;  // a header line
        if (!fields || fields->size() < 2 || fields->size() > 3 || (*fields)[0].empty() || (*fields)[1].empty()) {
            listing.pairs.push_back({path, path, text::BadPairsLine(path, lineNumber)});
            continue;
        }
        listing.pairs.push_back({(*fields)[0], (*fields)[1], std::nullopt, fields->size() == 3 ? (*fields)[2] : ""});
    }
    if (listing.pairs.empty()) listing.readError = text::NoPairsInFile(path);
    return listing;
}
