#include "bundleids.h"

#include "pluginterfaces/base/smartpointer.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace bundletest {

VstIntPtr vst24Host(AEffect*, int opcode, int, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

std::string hexOf(const Steinberg::TUID id) {
    std::string text;
    char byte[3];
    for (int i = 0; i < 16; ++i) {
        std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned char>(id[i]));
        text += byte;
    }
    return text;
}

std::string stringOf(const Steinberg::TUID id) {
    char text[33] = {};
    Steinberg::FUID::fromTUID(id).toString(text);
    return text;
}

std::string idsText(const Bundle& bundle) {
    const Steinberg::IPtr<Steinberg::IPluginFactory> factory(bundle.getPluginFactory(), false);
    if (!factory)
        throw std::runtime_error("no factory");
    std::string text;
    for (Steinberg::int32 i = 0; i < factory->countClasses(); ++i) {
        Steinberg::PClassInfo info{};
        if (factory->getClassInfo(i, &info) != Steinberg::kResultOk)
            throw std::runtime_error("unreadable class entry");
        text += std::string(info.name) + "=" + stringOf(info.cid) + "\n";
    }
    AEffect* effect = bundle.vstPluginMain(&vst24Host);
    if (effect == nullptr)
        throw std::runtime_error("no VST2 effect");
    text += "vst2=" + std::to_string(effect->uniqueID) + "\n";
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    return text;
}

namespace {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" `");
    const auto last = text.find_last_not_of(" `");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

} // namespace

std::string readmeIdsText(const char* path) {
    std::ifstream in(path);
    std::string line, classes, vst2;
    while (std::getline(in, line)) {
        // | what | name | id |
        std::vector<std::string> cells;
        for (std::size_t start = 0, bar; (bar = line.find('|', start)) != std::string::npos;
             start = bar + 1)
            cells.push_back(line.substr(start, bar - start));
        if (cells.size() != 4 || !trimmed(cells[0]).empty())
            continue;
        const std::string what = trimmed(cells[1]);
        if (what == "processor class" || what == "controller class") {
            classes += trimmed(cells[2]) + "=" + trimmed(cells[3]) + "\n";
        } else if (what == "VST2 unique id") {
            const auto open = cells[3].find('(');
            const auto close = cells[3].find(')', open);
            if (open != std::string::npos && close != std::string::npos)
                vst2 = "vst2=" + cells[3].substr(open + 1, close - open - 1) + "\n";
        }
    }
    return classes + vst2;
}

} // namespace bundletest
