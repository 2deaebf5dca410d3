#pragma once
// The pieces of JSON text the tool writes.
#include <string>
#include <string_view>

// Appends the bytes as a quoted JSON string. Valid UTF-8 is kept; quote,
// backslash and control characters are escaped; each byte that is not part
// of valid UTF-8 becomes \udc80..\udcff, so the original bytes can be told
// apart and recovered (the convention of Python's "surrogateescape").
void AppendJsonString(std::string& out, std::string_view bytes);

// Appends the shortest text that reads back as the same double; null for a
// value JSON cannot hold (NaN, infinity).
void AppendJsonNumber(std::string& out, double value);
