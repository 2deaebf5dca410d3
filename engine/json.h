#pragma once
// The pieces of JSON text the tool writes.
#include <array>
#include <cstdint>
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

// Builds {"key":value,...} in the order the members are added.
class JsonObject {
public:
    JsonObject& String(const char* key, std::string_view value);
    JsonObject& Integer(const char* key, int64_t value);
    JsonObject& Number(const char* key, double value);  // null when not finite
    JsonObject& Bool(const char* key, bool value);
    JsonObject& Null(const char* key);
    // A member whose value is already JSON text (e.g. a closed JsonObject).
    JsonObject& Raw(const char* key, std::string_view json);
    JsonObject& Counts(const char* key, const std::array<int32_t, 256>& counts);
    std::string Close() { return text_ + '}'; }

private:
    void Key(const char* key);
    std::string text_ = "{";
};
