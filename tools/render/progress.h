#pragma once

#include <cstdint>

namespace render {

// A one-line progress bar on stderr, redrawn when the whole percentage changes. Shown only
// when stderr is a terminal and the work is long enough to be worth watching.
class Progress {
public:
    Progress(std::int64_t total, bool worthShowing);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void update(std::int64_t done);
    // Ends the line; called by the destructor if not before.
    void finish();

private:
    std::int64_t total;
    bool shown;
    int lastPercent = -1;
};

} // namespace render
