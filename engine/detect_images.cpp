#include "detect_images.h"

#include <set>
#include <utility>

#include "attempt.h"
#include "csv_text.h"
#include "engine_texts.h"
#include "image_reader.h"
#include "json.h"
#include "pair_list.h"

namespace {

// The estimators of a channel in output order, with their key.
struct NamedEstimate {
    const char* key;
    const PayloadEstimate* estimate;
};

std::vector<NamedEstimate> EstimatesOf(const ChannelDetection& c) {
    return {{text::kKeyRs, &c.rs}, {text::kKeySpa, &c.spa}, {text::kKeyWs, &c.ws}, {text::kKeyWsPlain, &c.wsPlain}};
}

void AddNumber(JsonObject& object, const char* key, const std::optional<double>& value) {
    if (value) object.Number(key, *value);
    else object.Null(key);
}

void AddCsvNumber(std::string& row, const std::optional<double>& value) {
    row += ',';
    if (value) AppendCsvNumber(row, *value);
}

void AddCsvText(std::string& row, std::string_view value) {
    row += ',';
    AppendCsvField(row, value);
}

std::string ChannelJson(const ChannelDetection& c) {
    JsonObject object;
    object.String(text::kKeyChannel, c.name);
    JsonObject reasons;
    for (const NamedEstimate& e : EstimatesOf(c)) {
        AddNumber(object, e.key, e.estimate->raw);
        AddNumber(object, (std::string(e.key) + text::kSuffixClamped).c_str(), e.estimate->clamped);
        if (!e.estimate->HasEstimate()) reasons.String(e.key, e.estimate->reason);
    }
    const ChiSquareStep& whole = c.chiSquare.whole;
    AddNumber(object, text::kKeyChi2P, whole.probability);
    object.Number(text::kKeyChi2Statistic, whole.statistic);
    object.Integer(text::kKeyChi2Categories, whole.categories);
    std::string profile = "[";
    for (const ChiSquareStep& step : c.chiSquare.profile) {
        if (profile.size() > 1) profile += ',';
        JsonObject s;
        s.Integer(text::kKeyPercent, step.percent);
        AddNumber(s, text::kKeyP, step.probability);
        profile += s.Close();
    }
    object.Raw(text::kKeyChi2Profile, profile + "]");
    if (!whole.probability) reasons.String(text::kKeyChi2, whole.reason);
    object.Raw(text::kKeyReasons, reasons.Close());
    return object.Close();
}

std::optional<double> MeanOf(const DetectResult& r, std::optional<double> (*value)(const ChannelDetection&)) {
    if (r.error || r.channels.empty()) return std::nullopt;
    double sum = 0;
    for (const ChannelDetection& c : r.channels) {
        const std::optional<double> v = value(c);
        if (!v) return std::nullopt;
        sum += *v;
    }
    return sum / static_cast<double>(r.channels.size());
}

}  // namespace

ImageListing ListImageOperands(std::span<const std::string> operands) {
    ImageListing listing;
    // The listing of compare's MANIPULATED operands, without an original.
    for (ListedPair& pair : ExpandManipulated("", operands))
        listing.images.push_back({std::move(pair.manipulated), std::move(pair.group), std::move(pair.error)});
    return listing;
}

ImageListing ListImagesOfPairsFile(const std::string& pairsFile) {
    ImageListing listing;
    PairListing pairs = ListPairsFromFile(pairsFile);
    if (pairs.readError) {
        listing.readError = std::move(pairs.readError);
        return listing;
    }
    std::set<std::string> seen;
    for (ListedPair& pair : pairs.pairs) {
        if (pair.error) {
            listing.images.push_back({pair.original, "", std::move(pair.error)});
            continue;
        }
        if (seen.insert(pair.original).second) listing.images.push_back({pair.original, text::kCoverGroup, {}});
        if (seen.insert(pair.manipulated).second)
            listing.images.push_back({std::move(pair.manipulated), std::move(pair.group), {}});
    }
    return listing;
}

DetectResult DetectDecodedImage(const ImageView& image, std::string path, std::string group,
                                const DetectOptions& options) {
    DetectResult result;
    result.path = std::move(path);
    result.group = std::move(group);
    result.error = Attempt([&] { result.channels = DetectLsbEmbedding(image, options); });
    if (result.error) {
        if (!result.path.empty()) result.error = result.path + ": " + *result.error;
        return result;
    }
    result.width = image.width;
    result.height = image.height;
    return result;
}

DetectResult DetectListedImage(const ListedImage& listed, const DetectOptions& options) {
    if (listed.error) {
        DetectResult result;
        result.path = listed.path;
        result.group = listed.group;
        result.error = listed.error;
        return result;
    }
    std::optional<DetectResult> result;
    // ReadImage's messages name the file already.
    const std::optional<std::string> error = Attempt([&] {
        const Image image = ReadImage(listed.path);
        result = DetectDecodedImage(image, listed.path, listed.group, options);
    });
    if (error) {
        result.emplace();
        result->path = listed.path;
        result->group = listed.group;
        result->error = error;
    }
    return std::move(*result);
}

DetectOverall OverallOf(const DetectResult& r) {
    return {MeanOf(r, [](const ChannelDetection& c) { return c.rs.clamped; }),
            MeanOf(r, [](const ChannelDetection& c) { return c.spa.clamped; }),
            MeanOf(r, [](const ChannelDetection& c) { return c.ws.clamped; }),
            MeanOf(r, [](const ChannelDetection& c) { return c.chiSquare.whole.probability; })};
}

std::string DetectJson(const DetectResult& r) {
    JsonObject object;
    object.String(text::kKeyPath, r.path).String(text::kKeyGroup, r.group);
    if (r.error) object.Null(text::kKeyWidth).Null(text::kKeyHeight);
    else object.Integer(text::kKeyWidth, r.width).Integer(text::kKeyHeight, r.height);
    const DetectOverall overall = OverallOf(r);
    AddNumber(object, text::kKeyRs, overall.rs);
    AddNumber(object, text::kKeySpa, overall.spa);
    AddNumber(object, text::kKeyWs, overall.ws);
    AddNumber(object, text::kKeyChi2P, overall.chi2P);
    std::string channels = "[";
    for (const ChannelDetection& c : r.channels) {
        if (channels.size() > 1) channels += ',';
        channels += ChannelJson(c);
    }
    object.Raw(text::kKeyChannels, channels + "]");
    if (r.error) object.String(text::kKeyError, *r.error);
    else object.Null(text::kKeyError);
    return object.Close();
}

const std::vector<std::string>& DetectCsvColumns() {
    static const std::vector<std::string> columns = [] {
        std::vector<std::string> out{text::kKeyPath, text::kKeyGroup, text::kKeyWidth, text::kKeyHeight,
                                     text::kKeyChannel};
        for (const char* key : {text::kKeyRs, text::kKeySpa, text::kKeyWs, text::kKeyWsPlain}) {
            out.emplace_back(key);
            out.push_back(std::string(key) + text::kSuffixClamped);
        }
        out.emplace_back(text::kKeyChi2P);
        out.emplace_back(text::kKeyChi2Statistic);
        out.emplace_back(text::kKeyChi2Categories);
        for (const int percent : kChiSquareProfilePercents)
            out.push_back(std::string(text::kKeyChi2P) + "_" + std::to_string(percent));
        for (const char* key : {text::kKeyRs, text::kKeySpa, text::kKeyWs, text::kKeyWsPlain, text::kKeyChi2})
            out.push_back(std::string(key) + text::kSuffixReason);
        out.emplace_back(text::kKeyError);
        return out;
    }();
    return columns;
}

std::string DetectCsvHeader() {
    std::string header;
    for (const std::string& column : DetectCsvColumns()) {
        if (!header.empty()) header += ',';
        AppendCsvField(header, column);
    }
    return header;
}

std::vector<std::string> DetectCsvRows(const DetectResult& r) {
    std::string lead;
    AppendCsvField(lead, r.path);
    AddCsvText(lead, r.group);
    if (r.error) {
        // Every column but path, group and error empty.
        std::string row = lead + std::string(DetectCsvColumns().size() - 2, ',');
        AppendCsvField(row, *r.error);
        return {row};
    }
    lead += ',' + std::to_string(r.width) + ',' + std::to_string(r.height);
    std::vector<std::string> rows;
    for (const ChannelDetection& c : r.channels) {
        std::string row = lead;
        AddCsvText(row, c.name);
        const std::vector<NamedEstimate> estimates = EstimatesOf(c);
        for (const NamedEstimate& e : estimates) {
            AddCsvNumber(row, e.estimate->raw);
            AddCsvNumber(row, e.estimate->clamped);
        }
        const ChiSquareStep& whole = c.chiSquare.whole;
        AddCsvNumber(row, whole.probability);
        AddCsvNumber(row, whole.statistic);
        row += ',' + std::to_string(whole.categories);
        // The fixed columns take the profile's steps by percent.
        for (const int percent : kChiSquareProfilePercents) {
            std::optional<double> p;
            for (const ChiSquareStep& step : c.chiSquare.profile)
                if (step.percent == percent) p = step.probability;
            AddCsvNumber(row, p);
        }
        for (const NamedEstimate& e : estimates) AddCsvText(row, e.estimate->reason);
        AddCsvText(row, whole.probability ? std::string_view() : whole.reason);
        row += ',';  // no error
        rows.push_back(std::move(row));
    }
    return rows;
}
