// tivrandel-snapshot: opens the plug-in's editor as a host would, without a window, and writes
// what it shows as a PNG.
//
//   tivrandel-snapshot [--out FILE] [--scale F] [ID=VALUE ...]
//
// ID=VALUE sets a parameter (0 bypass, 1 time pan, 2 level pan, 3 swap, 4 fine delay) to a
// normalized value before the editor opens. --scale gives the editor a content scale factor from 1
// to 4, as a host does for a high-density screen.

#include "module/classids.h"
#include "module/factory.h"
#include "parameters/parameters.h"
#include "support/pngwriter.h"

#include "gdiplus/gdiplus.h"
#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"
#include "public.sdk/source/vst/vstguieditor.h"
#include "vstgui/gdiplusglobals.h"
#include "vstgui/lib/offscreenframe.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Steinberg::IPtr;

struct Options {
    std::string out = "tivrandel-editor.png";
    double scale = 0; // none given
    std::vector<std::pair<Steinberg::Vst::ParamID, double>> values;
};

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--out" && i + 1 < argc) {
            options.out = argv[++i];
            continue;
        }
        if (argument == "--scale" && i + 1 < argc) {
            char* end = nullptr;
            options.scale = std::strtod(argv[++i], &end);
            if (*end != '\0' || !(options.scale >= 1 && options.scale <= 4))
                return false;
            continue;
        }
        const std::size_t equals = argument.find('=');
        char* end = nullptr;
        const unsigned long id = std::strtoul(argument.c_str(), &end, 10);
        if (equals == std::string::npos || end != argument.c_str() + equals ||
            id >= static_cast<unsigned long>(tivrandel::Parameters::count))
            return false;
        const char* text = argument.c_str() + equals + 1;
        const double value = std::strtod(text, &end);
        // "1=" has no value at all: strtod reads nothing and answers 0.
        if (end == text || *end != '\0' || !(value >= 0.0 && value <= 1.0))
            return false;
        options.values.emplace_back(static_cast<Steinberg::Vst::ParamID>(id), value);
    }
    return true;
}

// Opens the editor offscreen, draws it into a bitmap and writes it; on failure, why in *reason.
bool writeSnapshot(Steinberg::IPlugView& view, const std::string& path, std::string* reason) {
    auto* editor = dynamic_cast<Steinberg::Vst::VSTGUIEditor*>(&view);
    VSTGUI::OffscreenFrame* offscreen = editor != nullptr ? editor->attachOffscreen() : nullptr;
    if (offscreen == nullptr)
        return false;
    offscreen->drawAll();
    Gdiplus::Bitmap* bitmap = offscreen->getBitmap();
    const Gdiplus::Rect all(0, 0, offscreen->getWidth(), offscreen->getHeight());
    Gdiplus::BitmapData data{};
    if (bitmap->LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &data) !=
        Gdiplus::Ok)
        return false;
    const bool written =
        kelvane::tools::writePng(path, static_cast<const std::uint8_t*>(data.Scan0), all.Width,
                                 all.Height, data.Stride, reason);
    bitmap->UnlockBits(&data);
    return written;
}

int run(const Options& options, std::string& reason) {
    IPtr<Steinberg::IPluginFactory> factory = Steinberg::owned(tivrandel::createFactory());
    Steinberg::Vst::IEditController* raw = nullptr;
    const Steinberg::FUID cid = tivrandel::controllerClassId();
    if (!factory || factory->createInstance(cid.toTUID(), Steinberg::Vst::IEditController::iid,
                                            reinterpret_cast<void**>(&raw)) != Steinberg::kResultOk)
        return 2;
    IPtr<Steinberg::Vst::IEditController> controller = Steinberg::owned(raw);
    Steinberg::Vst::HostApplication host;
    controller->initialize(&host);
    for (const auto& [id, value] : options.values)
        controller->setParamNormalized(id, value);

    int status = 3;
    if (IPtr<Steinberg::IPlugView> view =
            Steinberg::owned(controller->createView(Steinberg::Vst::ViewType::kEditor))) {
        // No window: the editor builds its frame and views offscreen, and we paint them.
        Steinberg::FUnknownPtr<Steinberg::IPlugViewContentScaleSupport> scaling(view);
        if (options.scale > 0 && (!scaling || scaling->setContentScaleFactor(static_cast<float>(
                                                  options.scale)) != Steinberg::kResultOk)) {
            status = 5;
        } else {
            status = writeSnapshot(*view, options.out, &reason) ? 0 : 4;
            view->removed();
        }
    }
    controller->terminate();
    return status;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr, "usage: tivrandel-snapshot [--out FILE] [--scale F] [ID=VALUE ...]\n"
                             "  F from 1 to 4; ID 0 to 4, VALUE a normalized value from 0 to 1\n");
        return 1;
    }
    VSTGUI::GDIPlusGlobals::enter();
    std::string reason;
    const int status = run(options, reason);
    VSTGUI::GDIPlusGlobals::exit();
    if (status == 4)
        std::fprintf(stderr, "tivrandel-snapshot: could not write %s: %s\n", options.out.c_str(),
                     reason.empty() ? "the editor could not be drawn" : reason.c_str());
    else if (status != 0)
        std::fprintf(stderr, "tivrandel-snapshot: could not open the editor\n");
    else
        std::printf("%s\n", options.out.c_str());
    return status;
}
