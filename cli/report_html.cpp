#include "report_html.h"

#include <atomic>
#include <charconv>
#include <cmath>
#include <iterator>
#include <new>
#include <string_view>

#include "measure_summary_output.h"
#include "metrics.h"
#include "parallel_tasks.h"
#include "svg_canvas.h"

namespace {

std::string Escaped(const std::string& text) { return XmlEscaped(text); }

std::string Number(double value, int places) {
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    if (std::isnan(value)) return "";
    return FormatMetric(value, ".", places);
}

// A cell whose sort key is the number itself (data-v), shown with `places` decimals.
std::string NumberCell(const std::optional<double>& value, int places) {
    if (!value) return "<td class=\"n\" data-v=\"\"></td>";
    const double v = *value;
    const std::string key = std::isinf(v) ? (v > 0 ? "1e999" : "-1e999") : Number(v, 12);
    const std::string shown = places == 0 && std::isfinite(v) ? std::to_string(std::llround(v)) : Number(v, places);
    return "<td class=\"n\" data-v=\"" + key + "\">" + shown + "</td>";
}

std::string Picture(const std::string& jpeg, const std::string& alt) {
    if (jpeg.empty()) return "";
    return "<img alt=\"" + Escaped(alt) + "\" src=\"data:image/jpeg;base64," + Base64(jpeg) + "\">";
}

constexpr const char* kStyle = R"(<style>
body{font-family:"DejaVu Sans",Verdana,sans-serif;margin:24px;color:#222;max-width:1400px}
h1{font-size:22px}h2{font-size:18px;margin-top:32px}h3{font-size:14px;margin:6px 0}
table{border-collapse:collapse;font-size:13px}th,td{border:1px solid #ccc;padding:3px 8px;text-align:left;vertical-align:top}
th{background:#eee}#pairs th{cursor:pointer;user-select:none}#pairs th[aria-sort=ascending]::after{content:" \25B2"}
#pairs th[aria-sort=descending]::after{content:" \25BC"}td.n{text-align:right;font-variant-numeric:tabular-nums}
td.error{color:#a00;white-space:pre-wrap}section.pair{border-top:1px solid #ccc;margin-top:18px;padding-top:8px}
figure{display:inline-block;margin:6px 12px 6px 0;vertical-align:top}figcaption{font-size:12px;color:#555;max-width:220px}
code{font-size:12px}.path{word-break:break-all}figure svg{width:480px;height:auto}
</style>)";

// Sorting by a column: numbers by their data-v, text by its content;
// a second click reverses.
constexpr const char* kScript = R"(<script>
(function () {
  var table = document.getElementById("pairs");
  var heads = table.tHead.rows[0].cells;
  function key(row, column) {
    var cell = row.cells[column];
    var v = cell.getAttribute("data-v");
    if (v === null) return cell.textContent;
    return v === "" ? NaN : parseFloat(v);
  }
  function sortBy(column) {
    var head = heads[column];
    var ascending = head.getAttribute("aria-sort") !== "ascending";
    for (var i = 0; i < heads.length; i++) heads[i].removeAttribute("aria-sort");
    head.setAttribute("aria-sort", ascending ? "ascending" : "descending");
    var body = table.tBodies[0];
    var rows = Array.prototype.slice.call(body.rows);
    rows.sort(function (a, b) {
      var x = key(a, column), y = key(b, column);
      var missingX = typeof x === "number" && isNaN(x), missingY = typeof y === "number" && isNaN(y);
      if (missingX || missingY) return missingX === missingY ? 0 : missingX ? 1 : -1;
      var order = typeof x === "number" ? x - y : x.localeCompare(y);
      return ascending ? order : -order;
    });
    rows.forEach(function (row) { body.appendChild(row); });
  }
  Array.prototype.forEach.call(heads, function (head, column) {
    head.addEventListener("click", function () { sortBy(column); });
  });
  // An address ending in #sort=N (or #sort=N- for descending) opens the
  // table sorted by column N (from 0).
  var asked = /sort=(\d+)(-?)/.exec(location.hash);
  if (asked && +asked[1] < heads.length) {
    sortBy(+asked[1]);
    if (asked[2]) sortBy(+asked[1]);
  }
  // How many pictures the browser decoded, for whoever checks the page.
  var images = Array.prototype.slice.call(document.images);
  Promise.all(images.map(function (image) {
    return image.decode().then(function () { return 1; }, function () { return 0; });
  })).then(function (done) {
    document.body.setAttribute("data-pictures-decoded", done.reduce(function (a, b) { return a + b; }, 0));
    document.body.setAttribute("data-pictures", images.length);
  });
})();
</script>)";

// The columns of the pairs table, in order: the field's metrics under the
// names `measure` gives them, then the desktop program's two numbers.
struct ReportColumnInfo {
    const char* key;
    const char* heading;
};

constexpr ReportColumnInfo kColumns[] = {
    {"index", "#"},
    {"original", "original"},
    {"manipulated", "manipulated"},
    {"group", "group"},
    {"peak", "peak"},
    {"mse", "mse"},
    {"psnr", "psnr"},
    {"ssim", "ssim"},
    {"mae", "mae"},
    {"nc", "nc"},
    {"ber", "ber"},
    {"change_rate", "change_rate"},
    {"desktop_mse", "MSE (desktop program)"},
    {"desktop_psnr", "PSNR (desktop program)"},
    {"error", "error"},
};

// The shortest text that reads back as the same double, for sort keys.
std::string SortKey(double v) {
    if (std::isinf(v)) return v > 0 ? "1e999" : "-1e999";
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    return ec == std::errc() ? std::string(buffer, end) : std::string();
}

// A cell of one of the field's metrics: six significant digits shown, the
// full value as its sort key and title.
std::string MeasureCell(const std::optional<double>& value) {
    if (!value) return "<td class=\"n\" data-v=\"\"></td>";
    const std::string key = SortKey(*value);
    return "<td class=\"n\" data-v=\"" + key + "\" title=\"" + (std::isinf(*value) ? Number(*value, 0) : key) + "\">" +
           (std::isinf(*value) ? Number(*value, 0) : MeasureSummaryNumber(*value, ".")) + "</td>";
}

std::string SummaryBlock(const GroupSummary& block) {
    std::string html = "<h3>group " + (block.group.empty() ? std::string("(none)") : Escaped(block.group));
    if (block.peak == 0) html += " (no pair succeeded)";
    else html += " (peak " + std::to_string(block.peak) + ")" + (block.splitByPeak ? ", split by peak" : "");
    html += "</h3>\n<p>Pairs: " + std::to_string(block.pairs) + ", failed: " + std::to_string(block.failed) +
            ", identical: " + std::to_string(block.identical) + ".</p>\n";
    html += "<table class=\"summary\"><thead><tr><th>metric</th><th>count</th><th>mean</th><th>sd</th>"
            "<th>median</th><th>min</th><th>max</th></tr></thead><tbody>\n";
    std::string notes;
    for (const MetricStats& m : block.metrics) {
        const auto cell = [](const std::optional<double>& v) {
            if (!v) return std::string("<td class=\"n\"></td>");
            return "<td class=\"n\" title=\"" + SortKey(*v) + "\">" + MeasureSummaryNumber(*v, ".") + "</td>";
        };
        const auto some = [&](double v) { return m.count > 0 ? std::optional<double>(v) : std::nullopt; };
        html += "<tr><td>" + Escaped(m.metric) + "</td><td class=\"n\">" + std::to_string(m.count) + "</td>" +
                cell(some(m.mean)) + cell(m.sd) + cell(some(m.median)) + cell(some(m.min)) + cell(some(m.max)) +
                "</tr>\n";
        if (m.infinite > 0)
            notes += "<p>" + Escaped(m.metric) + ": " + std::to_string(m.infinite) +
                     " infinite (identical) pairs left out of the statistics.</p>\n";
    }
    return html + "</tbody></table>\n" + notes;
}

std::string PairRow(size_t index, const ReportPair& pair, bool detect) {
    const PairResult& r = pair.result;
    const MeasureResult& measure = pair.measure;
    const MeasureMetrics* m = !measure.error && measure.metrics ? &*measure.metrics : nullptr;
    // The desktop program's numbers: 8-bit RGB pairs only.
    std::optional<double> desktopMse, desktopPsnr;
    if (!r.error && !r.metricsUnavailable) {
        desktopMse = r.metrics.MSE;
        desktopPsnr = r.metrics.PSNR;
    }
    std::string error = measure.error ? *measure.error : r.error ? *r.error : pair.pictureError;
    if (!measure.error && !pair.pictureError.empty() && error != pair.pictureError) {
        if (!error.empty()) error += '\n';
        error += pair.pictureError;
    }
    if (m && m->ssimUnavailable) {
        if (!error.empty()) error += '\n';
        error += *m->ssimUnavailable;
    }
    const std::string number = std::to_string(index + 1);
    std::string html = "<tr><td class=\"n\" data-v=\"" + number + "\"><a href=\"#pair" + number + "\">" + number +
                       "</a></td>";
    html += "<td class=\"path\">" + Escaped(r.original) + "</td><td class=\"path\">" + Escaped(r.manipulated) +
            "</td><td class=\"path\">" + Escaped(measure.group) + "</td>";
    if (m) html += "<td class=\"n\" data-v=\"" + std::to_string(m->peak) + "\">" + std::to_string(m->peak) + "</td>";
    else html += "<td class=\"n\" data-v=\"\"></td>";
    const MeasureFigures* f = m ? &m->overall : nullptr;
    const auto figure = [&](auto get) { return f ? get(*f) : std::optional<double>(); };
    html += MeasureCell(figure([](const MeasureFigures& x) -> std::optional<double> { return x.mse; }));
    html += MeasureCell(figure([](const MeasureFigures& x) -> std::optional<double> { return x.psnr; }));
    html += MeasureCell(figure([](const MeasureFigures& x) { return x.ssim; }));
    html += MeasureCell(figure([](const MeasureFigures& x) -> std::optional<double> { return x.mae; }));
    html += MeasureCell(figure([](const MeasureFigures& x) { return x.nc; }));
    html += MeasureCell(figure([](const MeasureFigures& x) { return x.ber; }));
    html += MeasureCell(figure([](const MeasureFigures& x) -> std::optional<double> { return x.changeRate; }));
    html += NumberCell(desktopMse, 3) + NumberCell(desktopPsnr, 3);
    if (detect) {
        const PairDetection* d = m && measure.detection ? &*measure.detection : nullptr;
        for (const DetectOverall* o : {d ? &d->stego : nullptr, d ? &d->cover : nullptr})
            for (const std::optional<double> DetectOverall::*value :
                 {&DetectOverall::rs, &DetectOverall::spa, &DetectOverall::ws, &DetectOverall::chi2P})
                html += MeasureCell(o ? o->*value : std::nullopt);
    }
    html += "<td class=\"error\">" + Escaped(error) + "</td></tr>\n";
    return html;
}

std::string PairSection(size_t index, const ReportPair& pair) {
    const PairResult& r = pair.result;
    std::string html = "<section class=\"pair\" id=\"pair" + std::to_string(index + 1) + "\"><h3>" +
                       std::to_string(index + 1) + ". <span class=\"path\">" + Escaped(r.manipulated) +
                       "</span></h3>\n";
    if (r.error) return html + "<p class=\"error\">" + Escaped(*r.error) + "</p></section>\n";
    if (!pair.pictureError.empty()) return html + "<p>" + Escaped(pair.pictureError) + "</p></section>\n";
    html += "<figure>" + Picture(pair.originalPicture, "original " + r.original) +
            "<figcaption>original</figcaption></figure>";
    html += "<figure>" + Picture(pair.manipulatedPicture, "manipulated " + r.manipulated) +
            "<figcaption>manipulated</figcaption></figure>";
    html += "<figure>" + Picture(pair.heatMap, "difference heat map") +
            "<figcaption>difference magnitude, viridis: dark purple 0, yellow " + Number(pair.heatScaleMax, 3) +
            "</figcaption></figure>\n";
    html += "<figure>" + pair.histograms + "<figcaption>histograms: original solid, manipulated dashed; below, "
            "manipulated minus original</figcaption></figure>\n";
    return html + "</section>\n";
}

}  // namespace

std::string Base64(const std::string& bytes) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out((bytes.size() + 2) / 3 * 4, '=');
    const auto* in = reinterpret_cast<const uint8_t*>(bytes.data());
    char* o = out.data();
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3, o += 4) {
        const uint32_t v = (uint32_t{in[i]} << 16) | (uint32_t{in[i + 1]} << 8) | in[i + 2];
        o[0] = kAlphabet[v >> 18];
        o[1] = kAlphabet[(v >> 12) & 63];
        o[2] = kAlphabet[(v >> 6) & 63];
        o[3] = kAlphabet[v & 63];
    }
    if (i < bytes.size()) {  // one or two bytes left: '=' stands for the rest
        uint32_t v = uint32_t{in[i]} << 16;
        if (i + 1 < bytes.size()) v |= uint32_t{in[i + 1]} << 8;
        o[0] = kAlphabet[v >> 18];
        o[1] = kAlphabet[(v >> 12) & 63];
        if (i + 1 < bytes.size()) o[2] = kAlphabet[(v >> 6) & 63];
    }
    return out;
}

int ReportColumn(const char* key) {
    for (size_t i = 0; i < std::size(kColumns); ++i)
        if (std::string_view(kColumns[i].key) == key) return static_cast<int>(i);
    return -1;
}

std::string IsoUtc(std::time_t time) {
    std::tm utc{};
    gmtime_r(&time, &utc);
    char buffer[32];
    const size_t length = std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return std::string(buffer, length);
}

std::string ReportHtml(const ReportRun& run) {
    std::string arguments;
    for (const std::string& a : run.arguments) {
        if (!arguments.empty()) arguments += ' ';
        arguments += a;
    }
    const std::string ssimColumn = std::to_string(ReportColumn("ssim"));
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
                       "<meta name=\"viewport\" content=\"width=device-width\">"
                       "<meta name=\"generator\" content=\"" + Escaped(run.version) + "\">"
                       "<title>citra report</title>\n";
    html += kStyle;
    html += "</head><body>\n<h1>citra report</h1>\n<h2>Parameters</h2>\n<p><code>citra " + Escaped(arguments) +
            "</code></p>\n<p id=\"made\">Written by <span id=\"version\">" + Escaped(run.version) +
            "</span> on <time id=\"created\" datetime=\"" + Escaped(run.created) + "\">" + Escaped(run.created) +
            "</time> (UTC).</p>\n"
            "<p>mse, psnr, ssim, mae, nc, ber, change_rate: the field's metrics as <code>citra measure</code> "
            "computes them from the decoded images, over every sample of every channel (PSNR and SSIM with the "
            "files' peak as data range; SSIM as scikit-image computes it: Gaussian window, sigma 1.5, K1 0.01, "
            "K2 0.03). psnr is infinite for identical pictures. Shown with six significant digits; the full value "
            "is the cell's tooltip and its sort key. MSE (desktop program) and PSNR (desktop program): the desktop "
            "program's numbers (the three bytes of a pixel summed), for 8-bit RGB pairs only.</p>\n";
    if (run.detect)
        html += "<p>stego_rs, stego_spa, stego_ws, stego_chi2_p and cover_rs, ... cover_chi2_p: the overall "
                "LSB estimates of the manipulated picture and of the original as <code>citra detect</code> gives "
                "them (the means over the colour channels of RS, SPA, WS and the chi-square probability), for "
                "8-bit pictures.</p>\n";
    html += "<h2>Summary</h2>\n<p>Per group, never pooling pictures of different peak: a group with several "
            "peaks is split by peak. Statistics over the pairs that succeeded; sd is the sample standard "
            "deviation (divided by count - 1).</p>\n";
    for (const GroupSummary& block : run.summary) html += SummaryBlock(block);
    html += "<h2>Pairs</h2>\n<p>Click a column's heading to sort by it (again to reverse); an address ending in "
            "#sort=" + ssimColumn + " opens the table sorted by ssim.</p>\n<table id=\"pairs\"><thead><tr>";
    for (const ReportColumnInfo& column : kColumns) {
        if (run.detect && std::string_view(column.key) == "error")
            for (const std::string& key : MeasureDetectColumns())
                html += "<th data-key=\"" + key + "\">" + Escaped(key) + "</th>";
        html += "<th data-key=\"" + std::string(column.key) + "\">" + Escaped(column.heading) + "</th>";
    }
    html += "</tr></thead><tbody>\n";
    for (size_t i = 0; i < run.pairs.size(); ++i) html += PairRow(i, run.pairs[i], run.detect);
    html += "</tbody></table>\n<h2>Pictures</h2>\n";
    // The sections (most of the page: the pictures in base64) written on
    // the workers, then joined in order.
    std::vector<std::string> sections(run.pairs.size());
    std::atomic<bool> outOfMemory{false};
    RunTasks(sections.size(), run.threads, [&](unsigned, size_t i) {
        try {
            sections[i] = PairSection(i, run.pairs[i]);
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
        }
    });
    if (outOfMemory) throw std::bad_alloc();
    size_t size = html.size() + std::char_traits<char>::length(kScript) + 64;
    for (const std::string& section : sections) size += section.size();
    html.reserve(size);
    for (std::string& section : sections) {
        html += section;
        std::string().swap(section);
    }
    html += kScript;
    return html + "\n</body></html>\n";
}
