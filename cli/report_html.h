#pragma once
// The study report: one self-contained HTML file (styles, script and
// pictures inside it, nothing fetched) that any browser opens: the run's
// parameters with the tool's version and the date, the summary per group
// (and peak) of the field's metrics, a table of every pair under the names
// of `measure` that sorts by any column (the desktop program's MSE and PSNR
// in columns of their own, for 8-bit RGB pairs), and per pair the
// thumbnails of both pictures, the heat map of their difference and their
// overlaid histograms.
#include <ctime>
#include <string>
#include <vector>

#include "measure_pairs.h"
#include "measure_summary.h"
#include "results.h"

struct ReportPair {
    PairResult result;      // the comparison: the desktop program's numbers, or why the pair failed
    MeasureResult measure;  // the field's metrics from the same decoded images, or why there are none
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
    std::string version;                 // VersionText() without its line end
    std::string created;                 // the date, UTC, ISO 8601: 2025-01-31T12:34:56Z
    std::vector<ReportPair> pairs;
    std::vector<GroupSummary> summary;
    // --detect: the pairs table gets the columns of MeasureDetectColumns
    // before error (the summary has their statistics from the builder).
    bool detect = false;
    unsigned threads = 1;  // threads that write the pairs' picture sections
};

// The column of the pairs table sorted by `key` ("mse", "ssim", ...,
// "desktop_mse", "desktop_psnr"), from 0, or -1.
int ReportColumn(const char* key);

// The time as the report states it: UTC, ISO 8601 (2025-01-31T12:34:56Z).
std::string IsoUtc(std::time_t time);

std::string ReportHtml(const ReportRun& run);

// RFC 4648 base64, for pictures inside the page.
std::string Base64(const std::string& bytes);
