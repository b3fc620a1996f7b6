#include "vstgui/lib/platform/linux/x11runloop.h"

#include <algorithm>
#include <vector>

namespace VSTGUI::X11 {
namespace {

std::vector<SharedPointer<IRunLoop>>& entered() {
    static std::vector<SharedPointer<IRunLoop>> loops;
    return loops;
}

} // namespace

void RunLoop::enter(IRunLoop* runLoop) {
    if (runLoop != nullptr)
        entered().emplace_back(runLoop);
}

void RunLoop::exit(IRunLoop* runLoop) {
    auto& loops = entered();
    // The latest entry of that loop: enters and exits of several editors need not nest.
    const auto found = std::find_if(loops.rbegin(), loops.rend(),
                                    [&](const auto& loop) { return loop.get() == runLoop; });
    if (found != loops.rend())
        loops.erase(std::next(found).base());
}

SharedPointer<IRunLoop> RunLoop::current() {
    const auto& loops = entered();
    return loops.empty() ? SharedPointer<IRunLoop>() : loops.back();
}

} // namespace VSTGUI::X11
