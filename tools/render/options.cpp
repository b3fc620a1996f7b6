#include "options.h"

#include <cmath>
#include <cstdlib>
#include <sstream>

namespace render {

namespace {

double numberOf(const std::string& option, const std::string& text) {
    const std::optional<double> value = finiteNumber(text);
    if (!value)
        throw UsageError(option + " needs a number, not \"" + text + "\"");
    return *value;
}

std::string shortNumber(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

std::string rangeText(const std::string& option, double low, double high) {
    return option + " must lie between " + shortNumber(low) + " and " + shortNumber(high);
}

double inRange(const std::string& option, double value, double low, double high) {
    if (value < low || value > high)
        throw UsageError(rangeText(option, low, high));
    return value;
}

} // namespace

std::optional<double> finiteNumber(const std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    // No look at errno: strtod reports ERANGE for subnormal results such as 1e-320 too, which
    // are numbers; an overflow is infinite and refused as such.
    const double value = std::strtod(begin, &end);
    if (text.empty() || end != begin + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

void checkFileSampleRate(const std::string& path, long long rate) {
    const auto value = static_cast<double>(rate);
    if (value < lowestSampleRate || value > highestSampleRate)
        throw std::runtime_error(path + " has the sample rate " + std::to_string(rate) +
                                 " Hz, but " +
                                 rangeText("--rate", lowestSampleRate, highestSampleRate));
}

const char* usageText() {
    return "usage: tivrandel-render [options] [input.wav] output.wav\n"
           "\n"
           "Renders input.wav (mono or stereo) through the plug-in, or without an input a\n"
           "built-in demo signal of clicks, tones and noise bursts.\n"
           "\n"
           "  --plugin PATH          the plug-in module (default: the one in the build tree)\n"
           "  --param NAME=T:V,...   automate bypass, timepan, levelpan, swap or finedelay:\n"
           "                         breakpoints at T seconds with values V in [0, 1], ramps\n"
           "                         in between\n"
           "  --double               process 64-bit samples (default 32-bit)\n"
           "  --block N              samples per block (default 512)\n"
           "  --rate HZ              sample rate (default: the file's, or 48000 for the demo)\n"
           "  --length SECONDS       length of the demo signal (default 8)\n"
           "  --format float|pcm24   output samples (default float); pcm24 clips them to\n"
           "                         full scale and writes samples that are not finite as 0\n"
           "  --load-state FILE      start from a saved processor state (at most 1 MiB)\n"
           "  --save-state FILE      save the processor state after rendering\n"
           "  --help                 this text\n"
           "\n"
           "The output is written beside its name and takes its place only when complete;\n"
           "it cannot be the input. Outputs beyond 4 GB are written as RF64. It is aligned\n"
           "with the input as hosts align it: the plug-in's latency at the start (that of the\n"
           "fine delay, when it is on) is dropped from its start and rendered on at its end.\n";
}

Options parseOptions(int argc, const char* const* argv, const std::string& defaultPlugin) {
    Options options;
    options.plugin = defaultPlugin;
    std::vector<std::string> files;

    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument.rfind("--", 0) != 0 || argument == "--") {
            if (argument == "--") {
                for (++i; i < argc; ++i)
                    files.emplace_back(argv[i]);
                break;
            }
            files.push_back(argument);
            continue;
        }
        std::string value;
        bool hasValue = false;
        if (const std::string::size_type equals = argument.find('='); equals != std::string::npos) {
            value = argument.substr(equals + 1);
            argument.resize(equals);
            hasValue = true;
        }
        auto take = [&]() -> std::string {
            if (hasValue)
                return value;
            if (i + 1 >= argc)
                throw UsageError(argument + " needs a value");
            return argv[++i];
        };
        auto flag = [&] {
            if (hasValue)
                throw UsageError(argument + " takes no value");
        };

        if (argument == "--help") {
            flag();
            options.help = true;
        } else if (argument == "--double") {
            flag();
            options.doublePrecision = true;
        } else if (argument == "--plugin") {
            options.plugin = take();
        } else if (argument == "--param") {
            ParamAutomation parsed;
            try {
                parsed = parseAutomation(take());
            } catch (const std::invalid_argument& e) {
                throw UsageError(std::string("--param: ") + e.what());
            }
            for (const ParamAutomation& earlier : options.automation) {
                if (earlier.id == parsed.id)
                    throw UsageError("--param: a parameter is automated twice");
            }
            options.automation.push_back(parsed);
        } else if (argument == "--block") {
            const double blocks = inRange(argument, numberOf(argument, take()), 1, 65536);
            if (blocks != std::floor(blocks))
                throw UsageError("--block needs a whole number of samples");
            options.blockSize = static_cast<Steinberg::int32>(blocks);
        } else if (argument == "--rate") {
            options.sampleRate =
                inRange(argument, numberOf(argument, take()), lowestSampleRate, highestSampleRate);
        } else if (argument == "--length") {
            options.demoSeconds = inRange(argument, numberOf(argument, take()), 0.001, 3600);
        } else if (argument == "--format") {
            const std::string format = take();
            if (format == "float")
                options.format = SampleFormat::Float32;
            else if (format == "pcm24")
                options.format = SampleFormat::Pcm24;
            else
                throw UsageError("--format is float or pcm24, not \"" + format + "\"");
        } else if (argument == "--save-state") {
            options.saveState = take();
        } else if (argument == "--load-state") {
            options.loadState = take();
        } else {
            throw UsageError("unknown option " + argument);
        }
    }

    if (options.help)
        return options;
    if (files.empty())
        throw UsageError("no output file given");
    if (files.size() > 2)
        throw UsageError("too many files: give at most an input and an output");
    options.output = files.back();
    if (files.size() == 2)
        options.input = files.front();
    return options;
}

} // namespace render
