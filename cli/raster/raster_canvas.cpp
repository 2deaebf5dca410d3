#include "raster_canvas.h"

#include <cairo.h>

#include <cmath>
#include <cstring>

#include "error.h"
#include "utf8_text.h"

namespace {

void SetColour(cairo_t* cr, PlotColour c) { cairo_set_source_rgb(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0); }

}  // namespace

RasterCanvas::RasterCanvas(int width, int height) : width_(width), height_(height) {
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) {
        const std::string reason = cairo_status_to_string(cairo_surface_status(surface_));
        cairo_surface_destroy(surface_);
        throw CitraError("cannot draw the plot: " + reason);
    }
    cr_ = cairo_create(surface_);
    if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) {
        const std::string reason = cairo_status_to_string(cairo_status(cr_));
        cairo_destroy(cr_);
        cairo_surface_destroy(surface_);
        throw CitraError("cannot draw the plot: " + reason);
    }
    cairo_set_source_rgb(cr_, 1, 1, 1);
    cairo_paint(cr_);
    cairo_select_font_face(cr_, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
}

RasterCanvas::~RasterCanvas() {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
}

void RasterCanvas::Line(const std::vector<PlotPoint>& points, PlotColour colour, double width, bool dashed) {
    if (points.empty()) return;
    SetColour(cr_, colour);
    cairo_set_line_width(cr_, width);
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
    const double dash[] = {6, 4};
    cairo_set_dash(cr_, dash, dashed ? 2 : 0, 0);
    cairo_move_to(cr_, points[0].x, points[0].y);
    for (size_t i = 1; i < points.size(); ++i) cairo_line_to(cr_, points[i].x, points[i].y);
    cairo_stroke(cr_);
    cairo_set_dash(cr_, nullptr, 0, 0);
}

void RasterCanvas::Rectangle(double x, double y, double w, double h, PlotColour stroke, double width) {
    SetColour(cr_, stroke);
    cairo_set_line_width(cr_, width);
    cairo_rectangle(cr_, x, y, w, h);
    cairo_stroke(cr_);
}

void RasterCanvas::Text(double x, double y, const std::string& text, double size, TextAnchor anchor,
                        PlotColour colour, bool upright) {
    SetColour(cr_, colour);
    cairo_set_font_size(cr_, size);
    const std::string valid = ValidUtf8(text);  // Cairo refuses anything else
    cairo_text_extents_t extents{};
    cairo_text_extents(cr_, valid.c_str(), &extents);
    const double shift = anchor == TextAnchor::Start ? 0
                         : anchor == TextAnchor::Middle ? -extents.x_advance / 2
                                                        : -extents.x_advance;
    cairo_save(cr_);
    cairo_translate(cr_, x, y);
    if (upright) cairo_rotate(cr_, -M_PI / 2);
    cairo_move_to(cr_, shift, 0);
    cairo_show_text(cr_, valid.c_str());
    cairo_restore(cr_);
}

Image RasterCanvas::Pixels() const {
    if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS)
        throw CitraError(std::string("cannot draw the plot: ") + cairo_status_to_string(cairo_status(cr_)));
    cairo_surface_flush(surface_);
    const unsigned char* data = cairo_image_surface_get_data(surface_);
    const int stride = cairo_image_surface_get_stride(surface_);
    Image image;
    image.width = width_;
    image.height = height_;
    image.layout = ChannelLayout::Rgb;
    image.samples8.resize(image.SampleCount());
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            uint32_t pixel;
            std::memcpy(&pixel, data + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 4, 4);
            uint8_t* out = image.samples8.data() + (static_cast<size_t>(y) * width_ + x) * 3;
            out[0] = static_cast<uint8_t>(pixel >> 16);
            out[1] = static_cast<uint8_t>(pixel >> 8);
            out[2] = static_cast<uint8_t>(pixel);
        }
    }
    return image;
}
