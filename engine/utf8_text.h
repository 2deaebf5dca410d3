#pragma once
// UTF-8 checks for text that goes into JSON, drawings and documents (file
// names may hold any bytes).
#include <cstddef>
#include <string>
#include <string_view>

// Length of the well-formed UTF-8 sequence starting at bytes[i] (1 to 4),
// or 0 when none starts there (overlong forms, surrogates and code points
// above U+10FFFF are not well-formed).
size_t Utf8SequenceLength(std::string_view bytes, size_t i);

// The text with every byte that starts no well-formed sequence replaced by
// U+FFFD.
std::string ValidUtf8(std::string_view text);
