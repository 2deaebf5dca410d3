// The entry point of the rasterising module (libcitra_raster.so), which
// the tool loads with dlopen when a PNG plot is asked for.
#include <exception>
#include <string>

#include "../plot_recording.h"
#include "raster_canvas.h"

extern "C" __attribute__((visibility("default"))) bool citra_rasterize_plot(const PlotRecording* recording,
                                                                            Image* pixels, std::string* error) {
    try {
        RasterCanvas canvas(recording->width, recording->height);
        Replay(*recording, canvas);
        *pixels = canvas.Pixels();
        return true;
    } catch (const std::exception& e) {
        *error = e.what();
        return false;
    }
}
