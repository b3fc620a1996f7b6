// tivrandel-render: renders audio offline through the plug-in, loaded as a host loads it.

#include "automation.h"
#include "demosignal.h"
#include "options.h"
#include "outputfile.h"
#include "pluginhost.h"
#include "progress.h"
#include "wavfile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <memory>
#include <stdexcept>

namespace {

using namespace render;

// Automation points are sent this far apart, plus every breakpoint exactly.
constexpr Steinberg::int32 pointSpacing = 16;
// Renders shorter than this finish too fast to need a progress bar.
constexpr double progressWorthSeconds = 20.0;

// The plug-in refuses a state blob longer than this (a 4-byte length and at most 1 MiB of
// text), so no larger file can be one.
constexpr std::size_t largestState = 4 + (std::size_t(1) << 20);

// At most largestState bytes; a longer file is refused rather than read.
std::string readState(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
    std::string bytes(largestState + 1, '\0');
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (file.bad())
        throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
    if (static_cast<std::size_t>(file.gcount()) > largestState)
        throw std::runtime_error(path + " is larger than a saved state can be (" +
                                 std::to_string(largestState) + " bytes)");
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    return bytes;
}

// Where the audio comes from: a sound file or the demo signal, a block at a time.
class Source {
public:
    explicit Source(const Options& options) {
        if (!options.input.empty()) {
            file = std::make_unique<SoundReader>(options.input);
            // A rate given on the command line replaces the header's.
            if (!options.sampleRate)
                checkFileSampleRate(options.input, file->sampleRate());
            rate = options.sampleRate.value_or(file->sampleRate());
            total = file->frames();
        } else {
            rate = options.sampleRate.value_or(48000.0);
            demo = std::make_unique<DemoSignal>(rate, options.demoSeconds);
            total = static_cast<std::int64_t>(demo->frames());
        }
    }

    double sampleRate() const { return rate; }
    std::int64_t frames() const { return total; }

    std::size_t read(double* left, double* right, std::size_t n) {
        if (file)
            return file->read(left, right, n);
        const std::size_t got = demo->read(left, n);
        std::copy(left, left + got, right);
        return got;
    }

private:
    std::unique_ptr<SoundReader> file;
    std::unique_ptr<DemoSignal> demo;
    double rate = 0.0;
    std::int64_t total = 0;
};

// Runs the whole source through the plug-in in blocks of the chosen size, each block on to the
// writer as soon as it is done. As a host compensates a plug-in's latency, the first `latency`
// output samples are dropped and the source is followed by that much silence, so that the
// output lines up with the input and is as long.
template <typename Sample>
void renderBlocks(HostedPlugin& plugin, const Options& options,
                  const std::vector<AutomationCurve>& curves, Source& source, WavWriter& output,
                  std::int64_t latency) {
    const auto block = static_cast<std::size_t>(options.blockSize);
    std::vector<double> readLeft(block), readRight(block), writeLeft(block), writeRight(block);
    std::vector<Sample> inLeft(block), inRight(block), outLeft(block), outRight(block);
    Sample* inputs[2] = {inLeft.data(), inRight.data()};
    Sample* outputs[2] = {outLeft.data(), outRight.data()};

    const std::int64_t frames = source.frames();
    Progress progress(frames,
                      static_cast<double>(frames) > progressWorthSeconds * source.sampleRate());
    std::int64_t start = 0;
    std::int64_t toDrop = latency;
    std::int64_t silence = latency;
    while (true) {
        std::size_t n = source.read(readLeft.data(), readRight.data(), block);
        if (n == 0) {
            n = static_cast<std::size_t>(std::min<std::int64_t>(silence, options.blockSize));
            if (n == 0)
                break;
            std::fill_n(readLeft.begin(), n, 0.0);
            std::fill_n(readRight.begin(), n, 0.0);
            silence -= static_cast<std::int64_t>(n);
        }
        for (std::size_t i = 0; i < n; ++i) {
            inLeft[i] = static_cast<Sample>(readLeft[i]);
            inRight[i] = static_cast<Sample>(readRight[i]);
        }
        for (const AutomationCurve& curve : curves) {
            plugin.changes()
                .queue(curve.id())
                .assign(curve.pointsFor(start, static_cast<Steinberg::int32>(n), pointSpacing));
        }
        if constexpr (sizeof(Sample) == sizeof(double))
            plugin.process(nullptr, nullptr, inputs, outputs, static_cast<Steinberg::int32>(n));
        else
            plugin.process(inputs, outputs, nullptr, nullptr, static_cast<Steinberg::int32>(n));
        const auto dropped =
            static_cast<std::size_t>(std::min<std::int64_t>(toDrop, static_cast<std::int64_t>(n)));
        toDrop -= static_cast<std::int64_t>(dropped);
        for (std::size_t i = dropped; i < n; ++i) {
            writeLeft[i - dropped] = static_cast<double>(outLeft[i]);
            writeRight[i - dropped] = static_cast<double>(outRight[i]);
        }
        output.write(writeLeft.data(), writeRight.data(), n - dropped);
        start += static_cast<std::int64_t>(n);
        progress.update(std::min(start, frames));
    }
}

// No file is written over one that the render reads. A state saved over the state it loaded
// is fine: that one is read whole before anything is written.
void refuseOverwritingInputs(const Options& options) {
    auto refuse = [](const std::string& written, const std::string& read) {
        if (!written.empty() && !read.empty() && sameFile(written, read))
            throw std::runtime_error("refusing to write " + written + ": it is the file " + read +
                                     " that the render reads");
    };
    refuse(options.output, options.input);
    refuse(options.output, options.loadState);
    refuse(options.saveState, options.input);
    refuse(options.saveState, options.output);
}

int run(const Options& options) {
    refuseOverwritingInputs(options);
    Source source(options);

    std::vector<AutomationCurve> curves;
    std::vector<std::pair<Steinberg::Vst::ParamID, double>> startValues;
    for (const ParamAutomation& parsed : options.automation) {
        try {
            curves.emplace_back(parsed, source.sampleRate());
        } catch (const std::invalid_argument& e) {
            throw UsageError(std::string("--param: ") + e.what());
        }
        startValues.emplace_back(parsed.id, curves.back().valueAt(0));
    }
    const std::string loadedState = options.loadState.empty() ? "" : readState(options.loadState);

    OutputFile output(options.output);
    WavWriter writer(output.descriptor(), options.output,
                     static_cast<int>(std::lround(source.sampleRate())), options.format,
                     source.frames());
    {
        const PluginModule module(options.plugin);
        HostedPlugin plugin(module);
        if (!options.loadState.empty())
            plugin.loadState(loadedState, options.loadState);
        plugin.prepare({source.sampleRate(), options.blockSize, options.doublePrecision},
                       startValues);
        // The latency in force at the start; a later change (the fine delay switched during
        // the render) shifts what follows, as it would in a host that is not asked to restart.
        const auto latency = static_cast<std::int64_t>(plugin.latency());
        plugin.start();
        if (options.doublePrecision)
            renderBlocks<double>(plugin, options, curves, source, writer, latency);
        else
            renderBlocks<float>(plugin, options, curves, source, writer, latency);
        plugin.stop();
        if (!options.saveState.empty())
            writeWholeFile(options.saveState, plugin.processorState());
    }
    writer.finish();
    output.commit();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        const Options options = parseOptions(argc, argv, TIVRANDEL_DEFAULT_PLUGIN);
        if (options.help) {
            std::fputs(usageText(), stdout);
            return 0;
        }
        return run(options);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "tivrandel-render: %s\n\n%s", e.what(), usageText());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tivrandel-render: %s\n", e.what());
        return 1;
    }
}
