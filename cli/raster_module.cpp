#include "raster_module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <mutex>
#include <string>

#include "error.h"

namespace {

using RasterizeFunction = bool (*)(const PlotRecording*, Image*, std::string*);

std::string ExecutableFolder() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return ".";
    const std::string exe(path, static_cast<size_t>(length));
    return exe.substr(0, exe.rfind('/'));
}

// The module's function, or the reason it could not be had.
RasterizeFunction Load(std::string& reason) {
    static std::once_flag once;
    static RasterizeFunction function = nullptr;
    static std::string failure;
    std::call_once(once, [] {
        // Beside the executable (the build tree), in the installed layout
        // relative to it (any prefix), in the folder configured at build time.
        const std::string exe = ExecutableFolder();
        for (const std::string& folder : {exe, exe + "/" CITRA_MODULE_RELATIVE_DIR, std::string(CITRA_MODULE_DIR)}) {
            void* module = dlopen((folder + "/libcitra_raster.so").c_str(), RTLD_NOW | RTLD_LOCAL);
            if (module == nullptr) {
                if (failure.empty()) failure = dlerror();
                continue;
            }
            function = reinterpret_cast<RasterizeFunction>(dlsym(module, "citra_rasterize_plot"));
            if (function != nullptr) return;
            failure = dlerror();
        }
    });
    reason = failure;
    return function;
}

}  // namespace

Image RasterizePlot(const PlotRecording& recording) {
    std::string reason;
    const RasterizeFunction rasterize = Load(reason);
    if (rasterize == nullptr) throw CitraError("cannot draw PNG plots (" + reason + ")");
    Image pixels;
    std::string error;
    if (!rasterize(&recording, &pixels, &error)) throw CitraError(error);
    return pixels;
}
