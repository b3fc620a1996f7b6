#pragma once

#include "automation.h"
#include "wavfile.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace render {

struct Options {
    std::string plugin;
    std::vector<ParamAutomation> automation;
    bool doublePrecision = false;
    Steinberg::int32 blockSize = 512;
    std::optional<double> sampleRate; // the file's own, or 48000 for the demo, when not given
    double demoSeconds = 8.0;
    SampleFormat format = SampleFormat::Float32;
    std::string saveState, loadState;
    std::string input; // empty: render the built-in demo signal
    std::string output;
    bool help = false;
};

// A command line that cannot be followed; the message says why.
class UsageError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Options in either form "--name value" or "--name=value", then [input] output. The plugin
// path starts as defaultPlugin.
Options parseOptions(int argc, const char* const* argv, const std::string& defaultPlugin);

const char* usageText();

} // namespace render
