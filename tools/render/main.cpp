// tivrandel-render: renders audio offline through the plug-in, loaded as a host loads it.

#include "automation.h"
#include "demosignal.h"
#include "options.h"
#include "pluginhost.h"
#include "progress.h"
#include "wavfile.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

using namespace render;

// Automation points are sent this far apart, plus every breakpoint exactly.
constexpr Steinberg::int32 pointSpacing = 16;
// Renders shorter than this finish too fast to need a progress bar.
constexpr double progressWorthSeconds = 20.0;

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad())
        throw std::runtime_error("cannot read " + path);
    return bytes;
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file)
        throw std::runtime_error("cannot write " + path);
}

StereoAudio sourceAudio(const Options& options) {
    if (!options.input.empty()) {
        StereoAudio audio = readSoundFile(options.input);
        if (options.sampleRate)
            audio.sampleRate = *options.sampleRate;
        return audio;
    }
    StereoAudio audio;
    audio.sampleRate = options.sampleRate.value_or(48000.0);
    audio.left = demoSignal(audio.sampleRate, options.demoSeconds);
    audio.right = audio.left;
    return audio;
}

// Runs the whole source through the plug-in in blocks of the chosen size.
template <typename Sample>
void renderBlocks(HostedPlugin& plugin, const Options& options,
                  const std::vector<AutomationCurve>& curves, const StereoAudio& source,
                  StereoAudio& result) {
    const auto block = static_cast<std::size_t>(options.blockSize);
    std::vector<Sample> inLeft(block), inRight(block), outLeft(block), outRight(block);
    Sample* inputs[2] = {inLeft.data(), inRight.data()};
    Sample* outputs[2] = {outLeft.data(), outRight.data()};

    const std::size_t frames = source.frames();
    Progress progress(static_cast<std::int64_t>(frames),
                      static_cast<double>(frames) > progressWorthSeconds * source.sampleRate);
    for (std::size_t start = 0; start < frames; start += block) {
        const std::size_t n = std::min(block, frames - start);
        for (std::size_t i = 0; i < n; ++i) {
            inLeft[i] = static_cast<Sample>(source.left[start + i]);
            inRight[i] = static_cast<Sample>(source.right[start + i]);
        }
        for (const AutomationCurve& curve : curves) {
            plugin.changes()
                .queue(curve.id())
                .assign(curve.pointsFor(static_cast<std::int64_t>(start),
                                        static_cast<Steinberg::int32>(n), pointSpacing));
        }
        if constexpr (sizeof(Sample) == sizeof(double))
            plugin.process(nullptr, nullptr, inputs, outputs, static_cast<Steinberg::int32>(n));
        else
            plugin.process(inputs, outputs, nullptr, nullptr, static_cast<Steinberg::int32>(n));
        for (std::size_t i = 0; i < n; ++i) {
            result.left[start + i] = static_cast<double>(outLeft[i]);
            result.right[start + i] = static_cast<double>(outRight[i]);
        }
        progress.update(static_cast<std::int64_t>(start + n));
    }
}

int run(const Options& options) {
    const StereoAudio source = sourceAudio(options);
    StereoAudio result;
    result.sampleRate = source.sampleRate;
    result.left.assign(source.frames(), 0.0);
    result.right.assign(source.frames(), 0.0);

    std::vector<AutomationCurve> curves;
    std::vector<std::pair<Steinberg::Vst::ParamID, double>> startValues;
    for (const ParamAutomation& parsed : options.automation) {
        curves.emplace_back(parsed, source.sampleRate);
        startValues.emplace_back(parsed.id, curves.back().valueAt(0));
    }
    const std::string loadedState = options.loadState.empty() ? "" : readFile(options.loadState);

    {
        const PluginModule module(options.plugin);
        HostedPlugin plugin(module);
        if (!options.loadState.empty())
            plugin.loadState(loadedState, options.loadState);
        plugin.prepare({source.sampleRate, options.blockSize, options.doublePrecision},
                       startValues);
        plugin.start();
        if (options.doublePrecision)
            renderBlocks<double>(plugin, options, curves, source, result);
        else
            renderBlocks<float>(plugin, options, curves, source, result);
        plugin.stop();
        if (!options.saveState.empty())
            writeFile(options.saveState, plugin.processorState());
    }

    writeWav(options.output, result, options.format);
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
