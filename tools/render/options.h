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

// The sample rates a render can run at, whether given with --rate or read from a file.
constexpr double lowestSampleRate = 1000.0;
constexpr double highestSampleRate = 768000.0;
// Throws std::runtime_error, with the message --rate gives, for a file's rate out of range.
void checkFileSampleRate(const std::string& path, long long rate);

// The number text holds in full, if it is a finite one (subnormal ones included).
std::optional<double> finiteNumber(const std::string& text);

} // namespace render
