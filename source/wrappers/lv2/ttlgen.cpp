// Writes the Turtle files of the LV2 bundle (manifest.ttl and the plug-in's description) into
// the folder given, with the version of the build and the defaults of the parameter set, so
// that the description cannot drift from the plug-in it describes.
//   tivrandel-lv2-ttl DIR

#include "module/version.h"
#include "parameters/parameters.h"
#include "wrappers/lv2/lv2ports.h"
#include "wrappers/lv2/product.h"

#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

using kelvane::lv2::ControlKind;
using kelvane::lv2::ControlPort;

// A float as Turtle reads it back to the same value.
std::string number(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    std::string result = text;
    if (result.find_first_of(".e") == std::string::npos) {
        result += ".0";
    }
    return result;
}

const char* prefixes = "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
                       "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
                       "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                       "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
                       "@prefix pg: <http://lv2plug.in/ns/ext/port-groups#> .\n"
                       "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
                       "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
                       "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                       "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
                       "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
                       "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n"
                       "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n\n";

std::string manifest() {
    std::ostringstream out;
    out << "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
           "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
           "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n\n"
        << "<" << tivrandel::lv2::pluginUri << ">\n"
        << "    a lv2:Plugin ;\n"
        << "    lv2:binary <" << tivrandel::lv2::binaryName << "> ;\n"
        << "    rdfs:seeAlso <tivrandel.ttl> .\n\n"
        << "<" << tivrandel::lv2::uiUri << ">\n"
        << "    a ui:X11UI ;\n"
        << "    ui:binary <" << tivrandel::lv2::binaryName << "> ;\n"
        << "    rdfs:seeAlso <tivrandel.ttl> .\n";
    return out.str();
}

void audioPort(std::ostringstream& out, std::uint32_t index, bool input, bool left) {
    const char* side = left ? "left" : "right";
    const char* Side = left ? "Left" : "Right";
    out << "        a lv2:AudioPort , " << (input ? "lv2:InputPort" : "lv2:OutputPort") << " ;\n"
        << "        lv2:index " << index << " ;\n"
        << "        lv2:symbol \"" << (input ? "in_" : "out_") << side << "\" ;\n"
        << "        lv2:name \"" << (input ? "Input " : "Output ") << Side << "\" ;\n"
        << "        pg:group <" << tivrandel::lv2::pluginUri << (input ? "#in" : "#out") << "> ;\n"
        << "        lv2:designation pg:" << side << "\n";
}

// The latency in samples, as hosts find it by its designation (and older ones by the property).
void latencyPort(std::ostringstream& out, std::uint32_t index, std::uint32_t maximum) {
    out << "        a lv2:ControlPort , lv2:OutputPort ;\n"
        << "        lv2:index " << index << " ;\n"
        << "        lv2:symbol \"latency\" ;\n"
        << "        lv2:name \"Latency\" ;\n"
        << "        lv2:minimum 0 ;\n"
        << "        lv2:maximum " << maximum << " ;\n"
        << "        units:unit units:frame ;\n"
        << "        lv2:portProperty lv2:reportsLatency , lv2:integer , pprops:notOnGUI ;\n"
        << "        lv2:designation lv2:latency\n";
}

void controlPort(std::ostringstream& out, std::uint32_t index, const ControlPort& port) {
    const float initial =
        kelvane::lv2::toPort(port.kind, tivrandel::Parameters::defaultValue(port.id));
    out << "        a lv2:ControlPort , lv2:InputPort ;\n"
        << "        lv2:index " << index << " ;\n"
        << "        lv2:symbol \"" << port.symbol << "\" ;\n"
        << "        lv2:name \"" << port.name << "\" ;\n"
        << "        lv2:default " << number(initial) << " ;\n"
        << "        lv2:minimum " << number(kelvane::lv2::portMinimum(port.kind)) << " ;\n"
        << "        lv2:maximum " << number(kelvane::lv2::portMaximum(port.kind));
    if (port.kind != ControlKind::Pan) {
        out << " ;\n        lv2:portProperty lv2:toggled";
    }
    // What VST3 hosts are told with a parameter they cannot automate: its changes are not for
    // automation, and each costs the host a new latency compensation.
    if ((tivrandel::Parameters::describe(port.id).flags &
         Steinberg::Vst::ParameterInfo::kCanAutomate) == 0) {
        out << " ;\n        lv2:portProperty pprops:notAutomatic , pprops:expensive";
    }
    if (port.kind == ControlKind::Enabled) {
        out << " ;\n        lv2:designation lv2:enabled";
    }
    out << "\n";
}

std::string description() {
    const std::string plugin = tivrandel::lv2::pluginUri;
    const kelvane::lv2::Version version = kelvane::lv2::releaseVersion(
        TIVRANDEL_VERSION_MAJOR, TIVRANDEL_VERSION_MINOR, TIVRANDEL_VERSION_PATCH);
    std::ostringstream out;
    out << prefixes;
    out << "<" << plugin << "#in>\n"
        << "    a pg:StereoGroup , pg:InputGroup ;\n"
        << "    lv2:symbol \"in\" ;\n"
        << "    lv2:name \"Stereo Input\" .\n\n"
        << "<" << plugin << "#out>\n"
        << "    a pg:StereoGroup , pg:OutputGroup ;\n"
        << "    lv2:symbol \"out\" ;\n"
        << "    lv2:name \"Stereo Output\" ;\n"
        << "    pg:source <" << plugin << "#in> .\n\n";

    out << "<" << plugin << ">\n"
        << "    a lv2:SpatialPlugin , doap:Project ;\n"
        << "    doap:name \"Tivrandel\" ;\n"
        << "    doap:license <https://spdx.org/licenses/GPL-3.0-or-later> ;\n"
        << "    doap:homepage <https://kelvane.example> ;\n"
        << "    doap:maintainer [\n"
        << "        foaf:name \"Kelvane\" ;\n"
        << "        foaf:homepage <https://kelvane.example> ;\n"
        << "        foaf:mbox <mailto:support@kelvane.example>\n"
        << "    ] ;\n"
        << "    lv2:minorVersion " << version.minor << " ;\n"
        << "    lv2:microVersion " << version.micro << " ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable , urid:map , opts:options , "
           "bufsz:boundedBlockLength ;\n"
        << "    opts:supportedOption bufsz:maxBlockLength , bufsz:nominalBlockLength ;\n"
        << "    pg:mainInput <" << plugin << "#in> ;\n"
        << "    pg:mainOutput <" << plugin << "#out> ;\n"
        << "    ui:ui <" << tivrandel::lv2::uiUri << "> ;\n"
        << "    lv2:port [\n";
    audioPort(out, kelvane::lv2::audioInLeft, true, true);
    out << "    ] , [\n";
    audioPort(out, kelvane::lv2::audioInRight, true, false);
    out << "    ] , [\n";
    audioPort(out, kelvane::lv2::audioOutLeft, false, true);
    out << "    ] , [\n";
    audioPort(out, kelvane::lv2::audioOutRight, false, false);
    const kelvane::lv2::PortLayout layout = tivrandel::lv2::portLayout();
    for (std::size_t i = 0; i < layout.controlCount; ++i) {
        out << "    ] , [\n";
        controlPort(out, kelvane::lv2::firstControlPort + static_cast<std::uint32_t>(i),
                    layout.controls[i]);
    }
    if (layout.latency) {
        out << "    ] , [\n";
        latencyPort(out, kelvane::lv2::latencyPort(layout), layout.latencyMaximum);
    }
    out << "    ] .\n\n";

    out << "<" << tivrandel::lv2::uiUri << ">\n"
        << "    a ui:X11UI ;\n"
        << "    lv2:requiredFeature ui:parent , ui:idleInterface ;\n"
        << "    lv2:optionalFeature ui:resize , ui:touch , ui:noUserResize , urid:map , "
           "opts:options ;\n"
        << "    lv2:extensionData ui:idleInterface , opts:interface ;\n"
        << "    opts:supportedOption ui:scaleFactor .\n";
    return out.str();
}

bool write(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) {
        std::cerr << "tivrandel-lv2-ttl: cannot write " << path << "\n";
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: tivrandel-lv2-ttl DIR\n";
        return 2;
    }
    const std::string dir = argv[1];
    return write(dir + "/manifest.ttl", manifest()) && write(dir + "/tivrandel.ttl", description())
               ? 0
               : 1;
}
