#pragma once
// Histograms as line plots: one line per channel against the sample value,
// labelled axes (value 0 to the peak, count), a legend and the file name.
// With a second file both are overlaid (the second dashed) and their
// difference (second minus first) is drawn in a panel below.
#include <optional>
#include <string>

#include "plot_canvas.h"
#include "sample_histogram.h"

struct PlotSeries {
    std::string name;  // the file, as given
    SampleHistogram histogram;
};

// Why two histograms cannot share a plot (other channels or bins), or nullopt.
std::optional<std::string> OverlayRefusal(const PlotSeries& first, const PlotSeries& second);

struct PlotSize {
    int width = 0;
    int height = 0;
};

// The size a plot needs: taller with the difference panel.
PlotSize HistogramPlotSize(bool withSecond);

// Draws the plot. The pair must be one OverlayRefusal accepts.
void DrawHistogramPlot(PlotCanvas& canvas, const PlotSeries& first, const std::optional<PlotSeries>& second);
