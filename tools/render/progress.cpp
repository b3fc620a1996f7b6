#include "progress.h"

#include <unistd.h>

#include <cstdio>

namespace render {

Progress::Progress(std::int64_t totalWork, bool worthShowing)
    : total(totalWork), shown(worthShowing && total > 0 && isatty(STDERR_FILENO) == 1) {}

Progress::~Progress() {
    finish();
}

void Progress::update(std::int64_t done) {
    if (!shown)
        return;
    const int percent = static_cast<int>(done * 100 / total);
    if (percent == lastPercent)
        return;
    lastPercent = percent;
    constexpr int width = 40;
    const int filled = percent * width / 100;
    char bar[width + 1];
    for (int i = 0; i < width; ++i)
        bar[i] = i < filled ? '#' : '.';
    bar[width] = '\0';
    std::fprintf(stderr, "\rrendering [%s] %3d%%", bar, percent);
    std::fflush(stderr);
}

void Progress::finish() {
    if (!shown)
        return;
    std::fputc('\n', stderr);
    shown = false;
}

} // namespace render
