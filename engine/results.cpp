#include "results.h"
#include "engine_texts.h"

const char* PictureKindName(PictureKind kind) {
    switch (kind) {
    case PictureKind::Bitmap: return text::kKindBitmap;
    case PictureKind::Icon: return text::kKindIcon;
    case PictureKind::Metafile: return text::kKindMetafile;
    case PictureKind::Jpeg: return text::kKindJpeg;
    case PictureKind::Empty: break;
    }
    return text::kKindEmpty;
}

std::string InfoKindName(const InfoResult& result) {
    return result.kind != PictureKind::Empty ? PictureKindName(result.kind) : result.format;
}
