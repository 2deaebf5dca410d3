#include "results.h"

const char* PictureKindName(PictureKind kind) {
    switch (kind) {
    case PictureKind::Bitmap: return "bitmap";
    case PictureKind::Icon: return "icon";
    case PictureKind::Metafile: return "metafile";
    case PictureKind::Jpeg: return "jpeg";
    case PictureKind::Empty: break;
    }
    return "empty";
}
