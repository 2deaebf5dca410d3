#include "report_html.h"

#include <cmath>

#include "metrics.h"
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

std::string SummaryTable(const RunSummary& summary) {
    std::string html = "<p>Pairs: " + std::to_string(summary.pairs) + ", failed: " + std::to_string(summary.failed) +
                       ", identical: " + std::to_string(summary.identical) + ".</p>\n";
    html += "<table id=\"summary\"><thead><tr><th>metric</th><th>count</th><th>mean</th><th>median</th><th>min</th>"
            "<th>max</th><th>sample sd</th></tr></thead><tbody>\n";
    for (const MetricSummary& m : summary.metrics) {
        html += "<tr><td>" + Escaped(m.label) + "</td><td class=\"n\">" + std::to_string(m.count) + "</td>";
        for (const double v : {m.mean, m.median, m.min, m.max}) html += "<td class=\"n\">" + Number(v, 6) + "</td>";
        html += "<td class=\"n\">" + (m.sampleStddev ? Number(*m.sampleStddev, 6) : std::string("-")) + "</td></tr>\n";
    }
    return html + "</tbody></table>\n";
}

std::string PairRow(size_t index, const ReportPair& pair) {
    const PairResult& r = pair.result;
    const bool desktop = !r.error && !r.metricsUnavailable;
    std::optional<double> mse, psnr, stdPsnr, ssim, changed;
    if (desktop) {
        mse = r.metrics.MSE;
        psnr = r.metrics.PSNR;
    }
    if (!r.error && r.standard) {
        stdPsnr = r.standard->psnr;
        ssim = r.standard->ssim;
        changed = static_cast<double>(r.standard->changedSamples);
    }
    std::string error = r.error ? *r.error : pair.pictureError;
    if (!r.error && r.standard && r.standard->ssimUnavailable) {
        if (!error.empty()) error += '\n';
        error += *r.standard->ssimUnavailable;
    }
    std::string html = "<tr><td class=\"n\" data-v=\"" + std::to_string(index + 1) + "\"><a href=\"#pair" +
                       std::to_string(index + 1) + "\">" + std::to_string(index + 1) + "</a></td>";
    html += "<td class=\"path\">" + Escaped(r.original) + "</td><td class=\"path\">" + Escaped(r.manipulated) + "</td>";
    html += NumberCell(mse, 3) + NumberCell(psnr, 3) + NumberCell(stdPsnr, 3) + NumberCell(ssim, 6) +
            NumberCell(changed, 0);
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
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const uint32_t v = (uint32_t{static_cast<uint8_t>(bytes[i])} << 16) |
                           (uint32_t{static_cast<uint8_t>(bytes[i + 1])} << 8) | static_cast<uint8_t>(bytes[i + 2]);
        for (int shift = 18; shift >= 0; shift -= 6) out += kAlphabet[(v >> shift) & 63];
    }
    if (i < bytes.size()) {
        uint32_t v = uint32_t{static_cast<uint8_t>(bytes[i])} << 16;
        if (i + 1 < bytes.size()) v |= uint32_t{static_cast<uint8_t>(bytes[i + 1])} << 8;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string ReportHtml(const ReportRun& run) {
    std::string arguments;
    for (const std::string& a : run.arguments) {
        if (!arguments.empty()) arguments += ' ';
        arguments += a;
    }
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
                       "<meta name=\"viewport\" content=\"width=device-width\">"
                       "<title>citra report</title>\n";
    html += kStyle;
    html += "</head><body>\n<h1>citra report</h1>\n<h2>Parameters</h2>\n<p><code>citra " + Escaped(arguments) +
            "</code></p>\n<p>MSE and PSNR: the desktop program's (the three bytes of a pixel summed; 24-bit pairs). "
            "PSNR per sample and SSIM: as scikit-image computes them (SSIM: Gaussian window, sigma 1.5, "
            "K1 0.01, K2 0.03, data range the files' peak).</p>\n";
    html += "<h2>Summary</h2>\n" + SummaryTable(run.summary);
    html += "<h2>Pairs</h2>\n<p>Click a column's heading to sort by it (again to reverse); an address ending in #sort=6 opens the table sorted by SSIM.</p>\n<table id=\"pairs\"><thead><tr>"
            "<th>#</th><th>original</th><th>manipulated</th><th>MSE</th><th>PSNR</th><th>PSNR (per sample)</th>"
            "<th>SSIM</th><th>changed samples</th><th>error</th></tr></thead><tbody>\n";
    for (size_t i = 0; i < run.pairs.size(); ++i) html += PairRow(i, run.pairs[i]);
    html += "</tbody></table>\n<h2>Pictures</h2>\n";
    for (size_t i = 0; i < run.pairs.size(); ++i) html += PairSection(i, run.pairs[i]);
    html += kScript;
    return html + "\n</body></html>\n";
}
