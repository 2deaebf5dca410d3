#pragma once
// A plot kept as the list of what was drawn, to be drawn again elsewhere:
// the PNG plots are rasterised by a module loaded only when one is asked
// for (raster_module.h), so that every other run of the tool starts without
// loading Cairo and the libraries it needs.
#include <string>
#include <vector>

#include "plot_canvas.h"

struct PlotStroke {
    enum class Kind { Line, Rectangle, Text } kind = Kind::Line;
    std::vector<PlotPoint> points;  // Line: the points; Rectangle: top left, size; Text: the anchor point
    PlotColour colour;
    double width = 1;               // Line, Rectangle: the pen; Text: the font size
    bool dashed = false;            // Line
    std::string text;               // Text
    TextAnchor anchor = TextAnchor::Start;
    bool upright = false;
};

struct PlotRecording {
    int width = 0;
    int height = 0;
    std::vector<PlotStroke> strokes;
};

class RecordingCanvas : public PlotCanvas {
public:
    RecordingCanvas(int width, int height) { recording_.width = width, recording_.height = height; }
    void Line(const std::vector<PlotPoint>& points, PlotColour colour, double width, bool dashed) override {
        recording_.strokes.push_back({PlotStroke::Kind::Line, points, colour, width, dashed, {}, {}, false});
    }
    void Rectangle(double x, double y, double w, double h, PlotColour stroke, double width) override {
        recording_.strokes.push_back({PlotStroke::Kind::Rectangle, {{x, y}, {w, h}}, stroke, width, false, {}, {}, false});
    }
    void Text(double x, double y, const std::string& text, double size, TextAnchor anchor, PlotColour colour,
              bool upright) override {
        recording_.strokes.push_back({PlotStroke::Kind::Text, {{x, y}}, colour, size, false, text, anchor, upright});
    }
    const PlotRecording& Recording() const { return recording_; }

private:
    PlotRecording recording_;
};

// Draws the recording onto another canvas.
inline void Replay(const PlotRecording& recording, PlotCanvas& canvas) {
    for (const PlotStroke& s : recording.strokes) {
        switch (s.kind) {
        case PlotStroke::Kind::Line: canvas.Line(s.points, s.colour, s.width, s.dashed); break;
        case PlotStroke::Kind::Rectangle:
            canvas.Rectangle(s.points[0].x, s.points[0].y, s.points[1].x, s.points[1].y, s.colour, s.width);
            break;
        case PlotStroke::Kind::Text:
            canvas.Text(s.points[0].x, s.points[0].y, s.text, s.width, s.anchor, s.colour, s.upright);
            break;
        }
    }
}
