#include "picture.h"

PictureKind Picture::Kind() const {
    return bitmap_ ? PictureKind::Bitmap : other_.kind;
}

int32_t Picture::Width() const {
    return bitmap_ ? bitmap_->Width() : other_.width;
}

int32_t Picture::Height() const {
    return bitmap_ ? bitmap_->Height() : other_.height;
}

void Picture::ReplaceWithBitmap(std::unique_ptr<Bitmap> bitmap) {
    if (!bitmap) {
        bitmap = std::make_unique<Bitmap>();
    }
    bitmap_ = std::move(bitmap);
    other_ = OtherGraphic{};
    NotifyChange();
}

void Picture::ReplaceWithOther(const OtherGraphic& other) {
    bitmap_.reset();
    other_ = other;
    NotifyChange();
}

void Picture::Clear() {
    bitmap_.reset();
    other_ = OtherGraphic{};
    NotifyChange();
}

void Picture::NotifyChange() const {
    if (listener_) {
        listener_();
    }
}

Bitmap& AsBitmap(Picture& picture) {
    if (picture.Kind() != PictureKind::Bitmap) {
        picture.ReplaceWithBitmap(std::make_unique<Bitmap>());
    }
    return *picture.MutableBitmap();
}

void ClearPicture(Picture& picture) {
    picture.Clear();
}
