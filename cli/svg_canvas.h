#pragma once
// A plot as an SVG document: a viewBox of the plot's size, text kept as
// text (searchable, and small), every string escaped for XML.
#include <string>

#include "plot_canvas.h"

class SvgCanvas : public PlotCanvas {
public:
    // decimals: of the coordinates (0 to 2); fewer make a smaller file.
    SvgCanvas(int width, int height, int decimals = 2);
    void Line(const std::vector<PlotPoint>& points, PlotColour colour, double width, bool dashed) override;
    void Rectangle(double x, double y, double w, double h, PlotColour stroke, double width) override;
    void Text(double x, double y, const std::string& text, double size, TextAnchor anchor, PlotColour colour,
              bool upright) override;
    // The whole document.
    std::string Finish() const;
    // The elements alone, for an <svg> placed inside an HTML page.
    std::string Element() const;

private:
    int width_, height_, decimals_;
    std::string body_;
};

// Text escaped for XML character data and attribute values; bytes that are
// not valid UTF-8, and control characters XML cannot hold, become U+FFFD.
std::string XmlEscaped(const std::string& text);
