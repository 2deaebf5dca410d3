#include "icon_reader.h"

#include "error.h"
#include "input_file.h"
#include "little_endian.h"
#include "messages.h"

OtherGraphic ReadIconFile(InputFile& file) {
    const SampleBytes data = file.ReadBlock(file.Size());
    if (data.size() < 6) {
        throw CitraError(msg::kStreamRead);
    }
    // reserved (0), type (2), count (4)
    const uint16_t type = Le16(data.data() + 2);
    if (type != 0 && type != 1) {
        throw CitraError(msg::kIconInvalid);
    }
    return OtherGraphic{PictureKind::Icon, 0, 0};
}
