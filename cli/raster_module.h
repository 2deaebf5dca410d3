#pragma once
// Rasterises a recorded plot through the module libcitra_raster.so (Cairo),
// loaded the first time it is needed: beside the executable (the build
// tree), else where it is installed (relative to the executable, then the
// configured folder).
#include "image.h"
#include "plot_recording.h"

// Throws CitraError when the module cannot be loaded or the drawing fails.
Image RasterizePlot(const PlotRecording& recording);
