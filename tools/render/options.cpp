#include "options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace render {

namespace {

double numberOf(const std::string& option, const std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(begin, &end);
    if (text.empty() || end != begin + text.size() || errno == ERANGE || !std::isfinite(value))
        throw UsageError(option + " needs a number, not \"" + text + "\"");
    return value;
}

double inRange(const std::string& option, double value, double low, double high) {
    if (value < low || value > high)
        throw UsageError(option + " must lie between " + std::to_string(low) + " and " +
                         std::to_string(high));
    return value;
}

} // namespace

const char* usageText() {
    return "usage: tivrandel-render [options] [input.wav] output.wav\n"
           "\n"
           "Renders input.wav (mono or stereo) through the plug-in, or without an input a\n"
           "built-in demo signal of clicks, tones and noise bursts.\n"
           "\n"
           "  --plugin PATH          the plug-in module (default: the one in the build tree)\n"
           "  --param NAME=T:V,...   automate bypass, timepan, levelpan or swap: breakpoints\n"
           "                         at T seconds with values V in [0, 1], ramps in between\n"
           "  --double               process 64-bit samples (default 32-bit)\n"
           "  --block N              samples per block (default 512)\n"
           "  --rate HZ              sample rate (default: the file's, or 48000 for the demo)\n"
           "  --length SECONDS       length of the demo signal (default 8)\n"
           "  --format float|pcm24   output samples (default float)\n"
           "  --load-state FILE      start from a saved processor state\n"
           "  --save-state FILE      save the processor state after rendering\n"
           "  --help                 this text\n";
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
            options.sampleRate = inRange(argument, numberOf(argument, take()), 1000, 768000);
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
