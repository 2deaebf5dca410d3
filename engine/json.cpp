#include "json.h"

#include "utf8_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace {

const char kHex[] = "0123456789abcdef";

void AppendUnicodeEscape(std::string& out, unsigned code) {
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(code >> shift) & 0xF];
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view bytes) {
    out += '"';
    size_t i = 0;
    while (i < bytes.size()) {
        const auto c = static_cast<uint8_t>(bytes[i]);
        if (c < 0x80) {
            switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20 || c == 0x7F) AppendUnicodeEscape(out, c);
                else out += static_cast<char>(c);
            }
            ++i;
            continue;
        }
        if (const size_t length = Utf8SequenceLength(bytes, i)) {
            out.append(bytes.substr(i, length));
            i += length;
        } else {
            AppendUnicodeEscape(out, 0xDC00 + c);
            ++i;
        }
    }
    out += '"';
}

void AppendJsonNumber(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, ec == std::errc() ? end : buffer);
}

void JsonObject::Key(const char* key) {
    text_ += text_.size() > 1 ? "," : "";
    AppendJsonString(text_, key);
    text_ += ':';
}

JsonObject& JsonObject::String(const char* key, std::string_view value) {
    Key(key);
    AppendJsonString(text_, value);
    return *this;
}

JsonObject& JsonObject::Integer(const char* key, int64_t value) {
    Key(key);
    text_ += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::Number(const char* key, double value) {
    Key(key);
    AppendJsonNumber(text_, value);
    return *this;
}

JsonObject& JsonObject::Bool(const char* key, bool value) {
    Key(key);
    text_ += value ? "true" : "false";
    return *this;
}

JsonObject& JsonObject::Null(const char* key) {
    Key(key);
    text_ += "null";
    return *this;
}

JsonObject& JsonObject::Raw(const char* key, std::string_view json) {
    Key(key);
    text_.append(json);
    return *this;
}

JsonObject& JsonObject::Counts(const char* key, const std::array<int32_t, 256>& counts) {
    Key(key);
    text_ += '[';
    for (size_t v = 0; v < counts.size(); ++v) {
        if (v > 0) text_ += ',';
        text_ += std::to_string(counts[v]);
    }
    text_ += ']';
    return *this;
}
