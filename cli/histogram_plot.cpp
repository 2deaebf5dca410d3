#include "histogram_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr int kWidth = 800;
constexpr int kMainHeight = 440;
constexpr int kDifferenceHeight = 230;
constexpr double kLeft = 84, kRight = 24, kTop = 56, kBottom = 52;
constexpr PlotColour kInk{40, 40, 40};
constexpr PlotColour kGrid{200, 200, 200};

PlotColour ChannelColour(const std::string& channel) {
    if (channel == "red") return {214, 39, 40};
    if (channel == "green") return {44, 160, 44};
    if (channel == "blue") return {31, 119, 180};
    if (channel == "alpha") return {148, 103, 189};
    return {70, 70, 70};  // grey
}

// A step of 1, 2 or 5 times a power of ten giving about `count` ticks.
double NiceStep(double span, int count) {
    if (span <= 0) return 1;
    const double raw = span / count;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw) return std::max(1.0, m * power);
    return std::max(1.0, 10 * power);
}

std::string Integer(double value) { return std::to_string(static_cast<long long>(std::llround(value))); }

struct Frame {
    double x0, y0, x1, y1;  // the plot area
    double low, high;       // the counts at its bottom and top
    uint32_t peak;

    double X(double value) const { return x0 + (x1 - x0) * value / std::max<double>(peak, 1); }
    double Y(double count) const { return y1 - (y1 - y0) * (count - low) / (high - low); }
};

// The box, the grid, the tick labels and the axis names.
void DrawAxes(PlotCanvas& canvas, const Frame& f, double step, const std::string& yName, bool valueLabel) {
    for (double v = std::ceil(f.low / step) * step; v <= f.high + 1e-9; v += step) {
        canvas.Line({{f.x0, f.Y(v)}, {f.x1, f.Y(v)}}, kGrid, 0.6, false);
        canvas.Text(f.x0 - 6, f.Y(v) + 4, Integer(v), 11, TextAnchor::End, kInk);
    }
    const double valueStep = NiceStep(f.peak, 8);
    for (double v = 0; v <= f.peak + 1e-9; v += valueStep) {
        canvas.Line({{f.X(v), f.y1}, {f.X(v), f.y1 + 4}}, kInk, 1, false);
        canvas.Text(f.X(v), f.y1 + 17, Integer(v), 11, TextAnchor::Middle, kInk);
    }
    canvas.Rectangle(f.x0, f.y0, f.x1 - f.x0, f.y1 - f.y0, kInk, 1);
    if (valueLabel) canvas.Text((f.x0 + f.x1) / 2, f.y1 + 38, "value", 13, TextAnchor::Middle, kInk);
    canvas.Text(18, (f.y0 + f.y1) / 2, yName, 13, TextAnchor::Middle, kInk, true);
}

std::vector<PlotPoint> Series(const Frame& f, const SampleHistogram& h, size_t channel,
                              const std::vector<double>* minus = nullptr) {
    std::vector<PlotPoint> points;
    points.reserve(h.Bins());
    for (size_t i = 0; i < h.Bins(); ++i) {
        double count = static_cast<double>(h.counts[channel][i]);
        if (minus) count -= (*minus)[i];
        points.push_back({f.X(h.binStarts[i]), f.Y(count)});
    }
    return points;
}

}  // namespace

std::optional<std::string> OverlayRefusal(const PlotSeries& first, const PlotSeries& second) {
    if (first.histogram.channels != second.histogram.channels || first.histogram.binStarts != second.histogram.binStarts ||
        first.histogram.peak != second.histogram.peak)
        return "cannot overlay the histograms of " + first.name + " and " + second.name +
               ": their channels, values or bins differ";
    return std::nullopt;
}

PlotSize HistogramPlotSize(bool withSecond) {
    return {kWidth, kMainHeight + (withSecond ? kDifferenceHeight : 0)};
}

void DrawHistogramPlot(PlotCanvas& canvas, const PlotSeries& first, const std::optional<PlotSeries>& second) {
    const SampleHistogram& h = first.histogram;
    uint64_t largest = 1;
    for (const PlotSeries* s : {&first, second ? &*second : nullptr})
        if (s)
            for (const auto& counts : s->histogram.counts)
                for (const uint64_t c : counts) largest = std::max(largest, c);
    const double step = NiceStep(static_cast<double>(largest), 6);
    const Frame main{kLeft, kTop, kWidth - kRight, kMainHeight - kBottom, 0, std::ceil(largest / step) * step, h.peak};

    // Title and legend.
    const std::string title = second ? first.name + " (solid) and " + second->name + " (dashed)" : first.name;
    canvas.Text(kLeft, 22, title, 14, TextAnchor::Start, kInk);
    double legendX = kLeft;
    for (const std::string& channel : h.channels) {
        canvas.Line({{legendX, 40}, {legendX + 22, 40}}, ChannelColour(channel), 2.5, false);
        canvas.Text(legendX + 28, 44, channel, 12, TextAnchor::Start, kInk);
        legendX += 96;
    }
    if (h.Bins() < static_cast<size_t>(h.peak) + 1)
        canvas.Text(kWidth - kRight, 44, std::to_string(h.Bins()) + " bins", 12, TextAnchor::End, kInk);

    DrawAxes(canvas, main, step, "count", !second);
    for (size_t ch = 0; ch < h.channels.size(); ++ch)
        canvas.Line(Series(main, h, ch), ChannelColour(h.channels[ch]), 1.4, false);
    if (!second) return;
    for (size_t ch = 0; ch < h.channels.size(); ++ch)
        canvas.Line(Series(main, second->histogram, ch), ChannelColour(h.channels[ch]), 1.4, true);

    // The difference, second minus first, symmetric about zero.
    std::vector<std::vector<double>> firstCounts(h.channels.size());
    double spread = 1;
    for (size_t ch = 0; ch < h.channels.size(); ++ch) {
        firstCounts[ch].assign(h.counts[ch].begin(), h.counts[ch].end());
        for (size_t i = 0; i < h.Bins(); ++i)
            spread = std::max(spread, std::fabs(static_cast<double>(second->histogram.counts[ch][i]) -
                                                firstCounts[ch][i]));
    }
    const double diffStep = NiceStep(2 * spread, 4);
    const double bound = std::ceil(spread / diffStep) * diffStep;
    const Frame lower{kLeft, kMainHeight + 8, kWidth - kRight, kMainHeight + kDifferenceHeight - kBottom, -bound, bound,
                      h.peak};
    DrawAxes(canvas, lower, diffStep, "second - first", true);
    canvas.Line({{lower.x0, lower.Y(0)}, {lower.x1, lower.Y(0)}}, kInk, 0.8, false);
    for (size_t ch = 0; ch < h.channels.size(); ++ch)
        canvas.Line(Series(lower, second->histogram, ch, &firstCounts[ch]), ChannelColour(h.channels[ch]), 1.2, false);
}
