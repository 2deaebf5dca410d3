#pragma once
// Reader of metafiles (extensions wmf and emf): the file's content decides
// between the enhanced form and the placeable Windows form. Decides only
// whether loading succeeds.
#include <cstddef>
#include <cstdint>
#include <span>

#include "picture.h"

class InputFile;

// Throws "Stream read error" for an enhanced metafile cut short, else
// "Metafile is not valid" when neither form is recognised or its records
// are refused.
OtherGraphic ReadMetafile(InputFile& file);

// Record walks: true when the records are well formed.
// Enhanced: the whole metafile, header record first, EMR_EOF last.
bool EnhancedRecordsValid(std::span<const uint8_t> metafile);
// Windows: the metafile after the 22-byte placeable header (METAHEADER,
// then records up to and including the end record).
bool WindowsRecordsValid(std::span<const uint8_t> metafile);
