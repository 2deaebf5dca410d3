#pragma once
// The progress bar of compare on standard error.
#include <chrono>
#include <cstddef>
#include <ostream>
#include <string>

#include "texts.h"

// One frame: "[#####...............]  12/50  3.4 pairs/s  0:11 left".
// The rate is done / elapsed; the time left assumes it stays; both are "--"
// until the first pair is done.
std::string ProgressText(size_t done, size_t total, double elapsedSeconds,
                         const char* unit = text::kPairsPerSecond);

// Draws frames with a carriage return, at most ten a second, and erases the
// bar with blanks. Shown at once for more than one pair, for a single pair
// only once it has taken half a second.
class ProgressBar {
public:
    using Clock = std::chrono::steady_clock;

    // sharesTerminal: standard output goes to the same screen, so the bar
    // is erased before each output line and drawn again on the next tick.
    // unit: what is counted per second, as " pairs/s  " (text::kPairsPerSecond).
    ProgressBar(std::ostream& err, bool enabled, size_t total, bool sharesTerminal,
                const char* unit = text::kPairsPerSecond);
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void Update(size_t done);
    void BeforeOutput();
    void Erase();

private:
    void Draw(const std::string& text);

    std::ostream& err_;
    bool enabled_;
    size_t total_;
    bool sharesTerminal_;
    const char* unit_;
    Clock::time_point start_ = Clock::now();
    Clock::time_point lastDraw_{};
    size_t drawnLength_ = 0;  // characters on screen; 0: nothing drawn
    bool drawn_ = false;  // a frame was drawn before (lastDraw_ is valid)
};
