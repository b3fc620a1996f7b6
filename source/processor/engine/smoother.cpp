#include "processor/engine/smoother.h"

namespace tivrandel {

float OnePoleSmoother::coefficientFor(Steinberg::int32 sampleRate) noexcept {
    if (sampleRate < 100) {
        return 1.0f;
    }
    return static_cast<float>(100.0 / sampleRate);
}

} // namespace tivrandel
