#pragma once
// A plot drawn into pixels with Cairo (anti-aliased lines, the system's
// fonts through fontconfig), handed over as an 8-bit RGB image for the PNG
// writer.
#include "image.h"
#include "plot_canvas.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

class RasterCanvas : public PlotCanvas {
public:
    // Throws CitraError when Cairo cannot make the surface (out of memory).
    RasterCanvas(int width, int height);
    ~RasterCanvas() override;
    RasterCanvas(const RasterCanvas&) = delete;
    RasterCanvas& operator=(const RasterCanvas&) = delete;

    void Line(const std::vector<PlotPoint>& points, PlotColour colour, double width, bool dashed) override;
    void Rectangle(double x, double y, double w, double h, PlotColour stroke, double width) override;
    void Text(double x, double y, const std::string& text, double size, TextAnchor anchor, PlotColour colour,
              bool upright) override;
    // The pixels drawn so far; throws CitraError if Cairo failed on the way.
    Image Pixels() const;

private:
    int width_, height_;
    cairo_surface_t* surface_ = nullptr;
    cairo_t* cr_ = nullptr;
};
