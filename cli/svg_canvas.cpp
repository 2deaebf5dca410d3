#include "svg_canvas.h"

#include "utf8_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

// Coordinates with at most `decimals` decimals: two are enough for any
// screen, and short.
std::string Number(double value, int decimals = 2) {
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    std::string text = ec == std::errc() ? std::string(buffer, end) : "0";
    while (decimals > 0 && text.find('.') != std::string::npos && (text.back() == '0' || text.back() == '.')) {
        const bool dot = text.back() == '.';
        text.pop_back();
        if (dot) break;
    }
    return text == "-0" ? "0" : text;
}

std::string Colour(PlotColour c) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", c.r, c.g, c.b);
    return buffer;
}

}  // namespace

std::string XmlEscaped(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t length = Utf8SequenceLength(text, i);
        const unsigned char c = static_cast<unsigned char>(text[i]);
        // XML holds neither most control characters nor U+FFFE and U+FFFF.
        const bool notCharacter = length == 3 && text.compare(i, 2, "\xEF\xBF") == 0 &&
                                  (text[i + 2] == '\xBE' || text[i + 2] == '\xBF');
        if (length == 0 || notCharacter || (c < 0x20 && c != '\t' && c != '\n' && c != '\r')) {
            out += "\xEF\xBF\xBD";  // XML cannot hold it
            i += length == 0 ? 1 : length;
            continue;
        }
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        case '\t': out += "&#9;"; break;
        case '\n': out += "&#10;"; break;
        case '\r': out += "&#13;"; break;
        default: out.append(text, i, length);
        }
        i += length;
    }
    return out;
}

SvgCanvas::SvgCanvas(int width, int height, int decimals) : width_(width), height_(height), decimals_(decimals) {
    body_ = "<rect width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) + "\" fill=\"#ffffff\"/>\n";
}

void SvgCanvas::Line(const std::vector<PlotPoint>& points, PlotColour colour, double width, bool dashed) {
    if (points.empty()) return;
    // A path of relative steps between the rounded points: the shortest
    // text for a line of many points, and exact (no rounding drift).
    const double unit = std::pow(10.0, decimals_);
    const auto rounded = [&](double v) { return std::round(v * unit) / unit; };
    body_ += "<path fill=\"none\" stroke=\"" + Colour(colour) + "\" stroke-width=\"" + Number(width) + "\"";
    if (dashed) body_ += " stroke-dasharray=\"6 4\"";
    double x = rounded(points[0].x), y = rounded(points[0].y);
    body_ += " d=\"M";
    body_ += Number(x, decimals_);
    body_ += ' ';
    body_ += Number(y, decimals_);
    if (points.size() > 1) body_ += 'l';
    for (size_t i = 1; i < points.size(); ++i) {
        const double nx = rounded(points[i].x), ny = rounded(points[i].y);
        const std::string dx = Number(nx - x, decimals_), dy = Number(ny - y, decimals_);
        if (i > 1 && dx[0] != '-') body_ += ' ';
        body_ += dx;
        if (dy[0] != '-') body_ += ' ';
        body_ += dy;
        x = nx;
        y = ny;
    }
    body_ += "\"/>\n";
}

void SvgCanvas::Rectangle(double x, double y, double w, double h, PlotColour stroke, double width) {
    body_ += "<rect x=\"" + Number(x) + "\" y=\"" + Number(y) + "\" width=\"" + Number(w) + "\" height=\"" +
             Number(h) + "\" fill=\"none\" stroke=\"" + Colour(stroke) + "\" stroke-width=\"" + Number(width) +
             "\"/>\n";
}

void SvgCanvas::Text(double x, double y, const std::string& text, double size, TextAnchor anchor,
                     PlotColour colour, bool upright) {
    const char* anchors[] = {"start", "middle", "end"};
    body_ += "<text x=\"" + Number(x) + "\" y=\"" + Number(y) + "\" font-size=\"" + Number(size) +
             "\" text-anchor=\"" + anchors[static_cast<int>(anchor)] + "\" fill=\"" + Colour(colour) + "\"";
    if (upright) body_ += " transform=\"rotate(-90 " + Number(x) + " " + Number(y) + ")\"";
    body_ += '>';
    body_ += XmlEscaped(text);
    body_ += "</text>\n";
}

std::string SvgCanvas::Element() const {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + std::to_string(width_) + ' ' +
           std::to_string(height_) + "\" width=\"" + std::to_string(width_) + "\" height=\"" +
           std::to_string(height_) + "\" font-family=\"DejaVu Sans, Verdana, sans-serif\">\n" + body_ + "</svg>\n";
}

std::string SvgCanvas::Finish() const {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + Element();
}
