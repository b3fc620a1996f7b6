#include "wrappers/lv2/product.h"

#include "parameters/parameters.h"

#include <iterator>

namespace tivrandel::lv2 {

namespace {

using kelvane::lv2::ControlKind;
using kelvane::lv2::ControlPort;

// The bypass first, so that hosts that list controls in port order show it apart from the
// three controls of the editor, which follow in the editor's order; later parameters are
// appended, so that every earlier port keeps its index.
const ControlPort controls[] = {
    {"enabled", "Enabled", Parameters::Bypass, ControlKind::Enabled},
    {"time_pan", "Time Pan", Parameters::TimePan, ControlKind::Pan},
    {"level_pan", "Level Pan", Parameters::LevelPan, ControlKind::Pan},
    {"swap", "Swap Channels", Parameters::SwapChannels, ControlKind::Switch},
    {"fine_delay", "Fine Delay", Parameters::FineDelay, ControlKind::Switch},
};

} // namespace

kelvane::lv2::PortLayout portLayout() {
    return {controls, std::size(controls)};
}

} // namespace tivrandel::lv2
