#pragma once
// The texts the pair engine puts into its results: failures of a file or a
// pair, the pairing of folders, picture kinds and the JSON keys of a result.
// The citra tool and the Python module write them as they stand.
#include <string>

namespace text {

// Failures of one file or pair.
inline constexpr const char* kOutOfMemory = "Out of memory";
inline std::string CannotReadFolder(const std::string& absolutePath, const std::string& reason) {
    return "Cannot read folder \"" + absolutePath + "\". " + reason;
}

// An infinite number (an identical pair's PSNR) in CSV and text.
inline constexpr const char* kInfinity = "inf";

// Listing the pairs of a run.
inline std::string BadPairsLine(const std::string& path, size_t line) {
    return path + ":" + std::to_string(line) + ": expected original,manipulated[,group]";
}
inline std::string NoPairsInFile(const std::string& path) { return path + ": no pair in the file"; }
inline std::string OriginalIsFolder(const std::string& path) {
    return "ORIGINAL '" + path + "' is a folder, not a file";
}
inline std::string NoImageInFolder(const std::string& absolutePath) {
    return "No image file in folder \"" + absolutePath + "\"";
}
inline std::string NoPartner(const std::string& path, const std::string& folder) {
    return "No partner for \"" + path + "\" in \"" + folder + "\"";
}
// names: the files sharing the stem, comma-separated.
inline std::string SameStem(const std::string& stem, const std::string& folder, const std::string& names) {
    return "Several files named \"" + stem + "\" in \"" + folder + "\": " + names;
}

// Picture kinds, as in the output.
inline constexpr const char* kKindBitmap = "bitmap";
inline constexpr const char* kKindIcon = "icon";
inline constexpr const char* kKindMetafile = "metafile";
inline constexpr const char* kKindJpeg = "jpeg";
inline constexpr const char* kKindEmpty = "empty";

// JSON keys.
inline constexpr const char* kKeyPath = "path";
inline constexpr const char* kKeyError = "error";
inline constexpr const char* kKeyKind = "kind";
inline constexpr const char* kKeyWidth = "width";
inline constexpr const char* kKeyHeight = "height";
inline constexpr const char* kKeyBitsPerPixel = "bits_per_pixel";
inline constexpr const char* kKeyFileSize = "file_size";
inline constexpr const char* kKeyFormat = "format";
inline constexpr const char* kKeyBinStarts = "bin_starts";
inline constexpr const char* kKeyMaxValue = "max_value";
inline constexpr const char* kKeyBitsPerSample = "bits_per_sample";
inline constexpr const char* kKeyRed = "red";
inline constexpr const char* kKeyGreen = "green";
inline constexpr const char* kKeyBlue = "blue";
inline constexpr const char* kKeyPeak = "peak";
inline constexpr const char* kKeyOriginal = "original";
inline constexpr const char* kKeyManipulated = "manipulated";
inline constexpr const char* kKeyMse = "mse";
inline constexpr const char* kKeyPsnr = "psnr";
inline constexpr const char* kKeyMseText = "mse_text";
inline constexpr const char* kKeyPsnrText = "psnr_text";
inline constexpr const char* kKeyStandard = "standard";
inline constexpr const char* kKeyMseUnavailable = "mse_unavailable";
inline constexpr const char* kKeyWarning = "warning";
inline constexpr const char* kKeyOutput = "output";
inline constexpr const char* kKeyMode = "mode";
inline constexpr const char* kKeyGain = "gain";
inline constexpr const char* kKeyScaleMax = "scale_max";
inline constexpr const char* kKeyLargest = "largest";
inline constexpr const char* kKeyPlane = "plane";
inline constexpr const char* kKeySecond = "second";
inline constexpr const char* kKeyPlot = "plot";
inline constexpr const char* kKeyBins = "bins";
inline constexpr const char* kKeySsimUnavailable = "ssim_unavailable";
inline constexpr const char* kKeySsim = "ssim";
inline constexpr const char* kKeyIdentical = "identical";
inline constexpr const char* kKeyChangedSamples = "changed_samples";
inline constexpr const char* kKeyMaxAbsDiff = "max_abs_diff";
inline constexpr const char* kKeyChannels = "channels";
inline constexpr const char* kKeySummary = "summary";
inline constexpr const char* kKeyPairs = "pairs";
inline constexpr const char* kKeyFailed = "failed";
inline constexpr const char* kKeyCount = "count";
inline constexpr const char* kKeyMean = "mean";
inline constexpr const char* kKeyMedian = "median";
inline constexpr const char* kKeyMin = "min";
inline constexpr const char* kKeyMax = "max";
inline constexpr const char* kKeySampleStddev = "sample_stddev";
// Summary series of the field's metrics.
inline constexpr const char* kKeyStdMse = "std_mse";
inline constexpr const char* kKeyStdPsnr = "std_psnr";
inline constexpr const char* kKeyStdSsim = "std_ssim";

// Keys of `detect` (JSON) and its CSV columns.
inline constexpr const char* kKeyGroup = "group";
inline constexpr const char* kKeyChannel = "channel";
inline constexpr const char* kKeyRs = "rs";
inline constexpr const char* kKeySpa = "spa";
inline constexpr const char* kKeyWs = "ws";
inline constexpr const char* kKeyWsPlain = "ws_plain";
inline constexpr const char* kKeyChi2 = "chi2";
inline constexpr const char* kKeyChi2P = "chi2_p";
inline constexpr const char* kKeyChi2Statistic = "chi2_statistic";
inline constexpr const char* kKeyChi2Categories = "chi2_categories";
inline constexpr const char* kKeyChi2Profile = "chi2_profile";
inline constexpr const char* kKeyPercent = "percent";
inline constexpr const char* kKeyP = "p";
inline constexpr const char* kKeyReasons = "reasons";
inline constexpr const char* kKeyImages = "images";
inline constexpr const char* kKeySd = "sd";
inline constexpr const char* kSuffixClamped = "_clamped";
inline constexpr const char* kSuffixReason = "_reason";
// The group `detect --pairs` gives the originals of a pairs file.
inline constexpr const char* kCoverGroup = "cover";

inline constexpr const char* kMseNeedsRgb8 =
    "the desktop program's MSE and PSNR are computed for two 8-bit RGB images only";

}  // namespace text
