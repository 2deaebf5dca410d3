// LoadPicture: the registry of picture file kinds and the dispatch to the
// reader of each kind.
#include <array>
#include <cctype>
#include <string_view>

#include "bmp_reader.h"
#include "error.h"
#include "icon_reader.h"
#include "input_file.h"
#include "jpeg_reader.h"
#include "messages.h"
#include "metafile_reader.h"
#include "picture.h"

namespace {

struct RegisteredKind {
    std::string_view extension;  // lower case, without the dot
    PictureKind kind;
};

constexpr std::array<RegisteredKind, 6> kRegistry{{
    {"bmp", PictureKind::Bitmap},
    {"ico", PictureKind::Icon},
    {"wmf", PictureKind::Metafile},
    {"emf", PictureKind::Metafile},
    {"jpg", PictureKind::Jpeg},
    {"jpeg", PictureKind::Jpeg},
}};

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

const RegisteredKind* FindKind(const std::string& extension) {
    for (const RegisteredKind& entry : kRegistry) {
        if (SameIgnoringCase(entry.extension, extension)) {
            return &entry;
        }
    }
    return nullptr;
}

PictureKind KindForExtension(const std::string& extension) {
    if (const RegisteredKind* entry = FindKind(extension)) {
        return entry->kind;
    }
    throw CitraError(msg::UnknownExtension(extension));
}

void ReadAs(PictureKind kind, Picture& picture, InputFile& file) {
    if (kind == PictureKind::Bitmap) {
        std::unique_ptr<Bitmap> bitmap = ReadBitmapFile(file);
        file.Close();
        picture.ReplaceWithBitmap(std::move(bitmap));
        return;
    }
    OtherGraphic graphic;
    switch (kind) {
        case PictureKind::Icon:
            graphic = ReadIconFile(file);
            break;
        case PictureKind::Metafile:
            graphic = ReadMetafile(file);
            break;
        default:
            graphic = ReadJpegFile(file);
            break;
    }
    file.Close();
    picture.ReplaceWithOther(graphic);
}

}  // namespace

void RegisterPictureKinds() {
    // The registry is the constant table above; nothing to set up. Kept so
    // the start-up sequence names this step.
}

std::string PictureExtension(const std::string& path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) {
        return {};
    }
    return path.substr(dot + 1);
}

bool IsBitmapFilePath(const std::string& path) {
    const RegisteredKind* entry = FindKind(PictureExtension(path));
    return entry != nullptr && entry->kind == PictureKind::Bitmap;
}

void LoadPicture(Picture& picture, const std::string& path) {
    // An unknown extension is reported before the file is touched.
    const PictureKind kind = KindForExtension(PictureExtension(path));
    InputFile file(path);
    ReadAs(kind, picture, file);
}

void LoadPicture(Picture& picture, InputFile& input, const std::string& extension) {
    ReadAs(KindForExtension(extension), picture, input);
}
