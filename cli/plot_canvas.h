#pragma once
// What a plot is drawn on: lines, text and rectangles in pixel units with
// the origin at the top left. One drawing, two kinds of file: SVG text
// (SvgCanvas) and a PNG raster (RasterCanvas).
#include <cstdint>
#include <string>
#include <vector>

struct PlotPoint {
    double x = 0;
    double y = 0;
};

struct PlotColour {
    uint8_t r = 0, g = 0, b = 0;
};

enum class TextAnchor { Start, Middle, End };

class PlotCanvas {
public:
    virtual ~PlotCanvas() = default;
    virtual void Line(const std::vector<PlotPoint>& points, PlotColour colour, double width, bool dashed) = 0;
    virtual void Rectangle(double x, double y, double w, double h, PlotColour stroke, double width) = 0;
    // Text whose baseline starts, is centred or ends at (x, y); `upright`
    // turns it a quarter to read upwards (a vertical axis label). The text
    // is UTF-8.
    virtual void Text(double x, double y, const std::string& text, double size, TextAnchor anchor,
                      PlotColour colour, bool upright = false) = 0;
};
