#pragma once
// What an image area holds: nothing, a Bitmap, or a graphic of another kind
// whose loading only decides success (icon, metafile, JPEG image).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "bitmap.h"
#include "formats.h"  // PictureKind

// Content of a kind other than Bitmap: only its size is kept.
struct OtherGraphic {
    PictureKind kind = PictureKind::Empty;
    int32_t width = 0;
    int32_t height = 0;
};

class Picture {
public:
    Picture() = default;
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    PictureKind Kind() const;
    int32_t Width() const;
    int32_t Height() const;
    // The bitmap when Kind() is Bitmap, else null. Never changes content.
    const Bitmap* BitmapIfAny() const { return bitmap_.get(); }
    // The same, writable, for AsBitmap.
    Bitmap* MutableBitmap() { return bitmap_.get(); }

    // Called after every change of content (load, AsBitmap replacing, clear).
    void SetChangeListener(std::function<void()> listener) { listener_ = std::move(listener); }

    // For the loader and AsBitmap/ClearPicture.
    void ReplaceWithBitmap(std::unique_ptr<Bitmap> bitmap);
    void ReplaceWithOther(const OtherGraphic& other);
    void Clear();

private:
    void NotifyChange() const;
    std::unique_ptr<Bitmap> bitmap_;
    OtherGraphic other_;
    std::function<void()> listener_;
};

class InputFile;

// Fills the picture from the file, choosing the reader by extension.
// Throws CitraError with the loader's message; the picture then keeps its content.
void LoadPicture(Picture& picture, const std::string& path);

// The same from an input already opened (a file, or bytes in memory), read
// as a file with this extension (without the dot) would be.
void LoadPicture(Picture& picture, InputFile& input, const std::string& extension);

// The bitmap the picture holds; anything else is replaced by an empty Bitmap.
Bitmap& AsBitmap(Picture& picture);

// Makes the picture empty and reports the change.
void ClearPicture(Picture& picture);

// The file's length in bytes (the true length, also beyond 2 GiB).
// Throws CitraError with the I/O error message.
int64_t MeasureFileSize(const std::string& path);

// True when LoadPicture reads the path with the bitmap reader (a .bmp name,
// in any case), by the format table.
bool IsBitmapFilePath(const std::string& path);
