#pragma once
// Every text the desktop program shows, in one place. The loader's and the
// comparison's messages come from the core.
#include <QLatin1String>

namespace text {
// Main window
inline constexpr QLatin1String kMainTitle("Analisis Kualitas Citra");
inline constexpr QLatin1String kHeading("APLIKASI ANALISIS KUALITAS CITRA");
inline constexpr QLatin1String kSubheading("(PARAMETER MSE dan PSNR)");
inline constexpr QLatin1String kOriginalFileLabel("File Citra Asli                     :");
inline constexpr QLatin1String kManipulatedFileLabel("File Citra Hasil Manipulasi :");
inline constexpr QLatin1String kFileSizeLabel("Ukuran File Citra :");
inline constexpr QLatin1String kDimensionsLabel("Luas File Citra     :");
inline constexpr QLatin1String kMseLabel("Mean Squre Error (MSE)                  :");
inline constexpr QLatin1String kPsnrLabel("Peak Signal to Noise Ratio (PSNR) :");
inline constexpr QLatin1String kDecibels("dB");
inline constexpr QLatin1String kOpenOriginal("&Buka");
inline constexpr QLatin1String kOpenManipulated("B&uka");
inline constexpr QLatin1String kInfoGroup("Info");
inline constexpr QLatin1String kAnalyse("&Analisis");
inline constexpr QLatin1String kReset("&Reset");
inline constexpr QLatin1String kExit("&Keluar");
inline constexpr QLatin1String kResultsGroup("Hasil Analisis");
inline constexpr QLatin1String kOriginalCaption("Citra Asli");
inline constexpr QLatin1String kManipulatedCaption("Citra Hasil Manipulasi");
inline constexpr QLatin1String kBytesSuffix(" bytes");
inline constexpr QLatin1String kDimensionsSeparator(" x ");
inline constexpr QLatin1String kPixelsSuffix(" pixels");
inline constexpr QLatin1String kTrueColourPrefix("Citra True Color (");
inline constexpr QLatin1String kTrueColourSuffix(")");

// Histogram windows
inline constexpr QLatin1String kOriginalHistogramTitle("Histogram Citra Asli");
inline constexpr QLatin1String kManipulatedHistogramTitle("Histogram Citra Hasil");

// File-open dialog and its preview pane
inline constexpr const char* kBitmapFilter = "Bitmaps (*.bmp)";
inline constexpr QLatin1String kNoPicture("(None)");
inline constexpr QLatin1String kPreview("Preview");
inline constexpr QLatin1String kPreviewButton("...");
inline constexpr QLatin1String kPictureCaption("Picture:");
inline constexpr QLatin1String kPictureSizeFormat(" (%1x%2)");  // width, height

// Message boxes
inline constexpr QLatin1String kOk("OK");
inline constexpr const char* kUnknownError = "Unknown error";
}  // namespace text
