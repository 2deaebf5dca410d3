#include "progress.h"
#include "texts.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr size_t kBarWidth = 20;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr auto kSinglePairDelay = std::chrono::milliseconds(500);

std::string Rate(double perSecond) {
    char text[32];
    const char* format = perSecond < 1 ? "%.2f" : perSecond < 10 ? "%.1f" : "%.0f";
    std::snprintf(text, sizeof text, format, perSecond);
    return text;
}

// M:SS, or H:MM:SS from an hour on.
std::string Duration(double seconds) {
    const auto whole = static_cast<long long>(std::ceil(seconds));
    char text[32];
    if (whole >= 3600) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    }
    return text;
}

}  // namespace

std::string ProgressText(size_t done, size_t total, double elapsedSeconds, const char* unit) {
    if (done > total) done = total;
    const size_t filled = total == 0 ? kBarWidth : done * kBarWidth / total;
    std::string text = "[";
    text.append(filled, '#').append(kBarWidth - filled, '.').append("]  ");

    const std::string totalText = std::to_string(total);
    const std::string doneText = std::to_string(done);
    text.append(totalText.size() - doneText.size(), ' ').append(doneText).append("/").append(totalText);
    text += "  ";

    const bool known = done > 0 && elapsedSeconds > 0;
    const double rate = known ? static_cast<double>(done) / elapsedSeconds : 0;
    text += (known ? Rate(rate) : text::kUnknownRate) + unit;
    if (done == total) text += text::kNothingLeft;
    else if (!known) text += text::kUnknownLeft;
    else text += Duration(static_cast<double>(total - done) / rate) + text::kLeft;
    return text;
}

ProgressBar::ProgressBar(std::ostream& err, bool enabled, size_t total, bool sharesTerminal, const char* unit)
    : err_(err), enabled_(enabled), total_(total), sharesTerminal_(sharesTerminal), unit_(unit) {}

void ProgressBar::Update(size_t done) {
    if (!enabled_) return;
    const Clock::time_point now = Clock::now();
    if (total_ <= 1 && now - start_ < kSinglePairDelay) return;
    if (drawn_ && now - lastDraw_ < kRedrawInterval) return;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    lastDraw_ = now;
    drawn_ = true;
    Draw(ProgressText(done, total_, elapsed, unit_));
}

void ProgressBar::BeforeOutput() {
    if (sharesTerminal_) Erase();
}

void ProgressBar::Erase() {
    if (drawnLength_ == 0) return;
    err_ << '\r' << std::string(drawnLength_, ' ') << '\r' << std::flush;
    drawnLength_ = 0;
}

void ProgressBar::Draw(const std::string& text) {
    // Blanks over the rest of a longer previous frame.
    const size_t pad = drawnLength_ > text.size() ? drawnLength_ - text.size() : 0;
    err_ << '\r' << text << std::string(pad, ' ') << std::flush;
    drawnLength_ = text.size() + pad;
}
