#pragma once
// The study report: one self-contained HTML file (styles, script and
// pictures inside it, nothing fetched) that any browser opens: the run's
// parameters, the summary of the metrics, a table of every pair that sorts
// by any column, and per pair the thumbnails of both pictures, the heat map
// of their difference and their overlaid histograms.
#include <string>
#include <vector>

#include "results.h"
#include "summary.h"

struct ReportPair {
    PairResult result;
    // JPEG files of at most kReportPictureWidth pixels across, and the
    // histogram plot as an <svg> element; empty when the pair failed.
    std::string originalPicture;
    std::string manipulatedPicture;
    std::string heatMap;
    double heatScaleMax = 0;   // the magnitude drawn yellow
    std::string histograms;
    std::string pictureError;  // why the pictures are missing while the numbers are there
};

inline constexpr int kReportPictureWidth = 192;
inline constexpr int kReportPictureHeight = 192;

struct ReportRun {
    std::vector<std::string> arguments;  // the command line after the program name
    std::vector<ReportPair> pairs;
    RunSummary summary;
};

std::string ReportHtml(const ReportRun& run);

// RFC 4648 base64, for pictures inside the page.
std::string Base64(const std::string& bytes);
