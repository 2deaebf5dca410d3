#pragma once
// Writes a file completely or not at all.
#include <optional>
#include <string>

// Writes the content to a new file beside `path` and renames it over
// `path`, so that a reader sees the old file or the whole new one, never a
// part. Returns the reason (strerror text) when it failed; the new file is
// then removed and `path` is left as it was.
std::optional<std::string> WriteWholeFile(const std::string& path, const std::string& content);
