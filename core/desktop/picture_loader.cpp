// LoadPicture: the dispatch to the reader of each kind the format table
// gives the desktop loader.
#include <string_view>

#include "bmp_reader.h"
#include "error.h"
#include "formats.h"
#include "icon_reader.h"
#include "input_file.h"
#include "jpeg_reader.h"
#include "messages.h"
#include "metafile_reader.h"
#include "picture.h"

namespace {

// The desktop loader's kind of the file by its extension; a format it does
// not take is as unknown to it as any other name.
PictureKind KindForExtension(std::string_view extension) {
    const Format* format = FormatOfExtension(extension);
    if (format == nullptr || format->desktopKind == PictureKind::Empty)
        throw CitraError(msg::UnknownExtension(std::string(extension)));
    return format->desktopKind;
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

bool IsBitmapFilePath(const std::string& path) {
    const Format* format = FormatOfPath(path);
    return format != nullptr && format->desktopKind == PictureKind::Bitmap;
}

void LoadPicture(Picture& picture, const std::string& path) {
    // An unknown extension is reported before the file is touched.
    const PictureKind kind = KindForExtension(FileExtension(path));
    InputFile file(path);
    ReadAs(kind, picture, file);
}

void LoadPicture(Picture& picture, InputFile& input, const std::string& extension) {
    ReadAs(KindForExtension(extension), picture, input);
}
