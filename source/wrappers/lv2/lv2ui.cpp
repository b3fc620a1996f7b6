#include "wrappers/lv2/lv2ui.h"

#include "wrappers/lv2/lv2features.h"

#include "public.sdk/source/common/hostboundary.h"

#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

#include <lv2/atom/atom.h>

#include <xcb/xcb.h>

#include <cmath>
#include <cstring>

namespace kelvane::lv2 {

using Steinberg::guarded;
using Steinberg::ViewRect;
using Steinberg::Vst::ParamID;
using Steinberg::Vst::ParamValue;

namespace {

// The newest child of parent: the window the view made there (LV2 hosts expect the UI's own
// window as its widget).
std::uintptr_t newestChild(std::uintptr_t parent) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    std::uintptr_t child = 0;
    if (connection && !xcb_connection_has_error(connection)) {
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(
            connection, xcb_query_tree(connection, static_cast<xcb_window_t>(parent)), nullptr);
        if (tree) {
            const int count = xcb_query_tree_children_length(tree);
            if (count > 0) {
                child = xcb_query_tree_children(tree)[count - 1];
            }
            std::free(tree);
        }
    }
    if (connection) {
        xcb_disconnect(connection);
    }
    return child;
}

} // namespace

double scaleFactorOption(const LV2_Feature* const* features) {
    const void* option = findOption(features, LV2_UI__scaleFactor, LV2_ATOM__Float, sizeof(float));
    if (!option) {
        return 0.0;
    }
    float value = 0.0f;
    std::memcpy(&value, option, sizeof value);
    return value > 0.0f ? static_cast<double>(value) : 0.0;
}

std::unique_ptr<Ui> Ui::create(const UiClass& uiClass, LV2UI_Write_Function write,
                               LV2UI_Controller controller, LV2UI_Widget* widget,
                               const LV2_Feature* const* features) {
    void* parent = const_cast<void*>(featureData(features, LV2_UI__parent));
    if (!parent || !findFeature(features, LV2_UI__idleInterface) || !widget) {
        return nullptr;
    }
    if (uiClass.open) {
        uiClass.open();
    }
    std::unique_ptr<Ui> ui;
    {
        // Until the UI exists, the drawing services are ours to give back.
        struct Closer {
            bool (*close)();
            bool armed = true;
            ~Closer() {
                if (armed && close) {
                    close();
                }
            }
        } closer{uiClass.close};
        const Steinberg::IPtr<Steinberg::IPluginFactory> factory(uiClass.plugin.makeFactory(),
                                                                 false);
        if (!factory) {
            return nullptr;
        }
        Steinberg::TUID cid;
        uiClass.plugin.processorId.toTUID(cid);
        std::unique_ptr<wrappers::ComponentHost> pair =
            wrappers::ComponentHost::create(factory, cid);
        if (!pair) {
            return nullptr;
        }
        ui.reset(new Ui(uiClass, std::move(pair)));
        closer.armed = false;
        ui->opened = true;
    }
    ui->writeFunction = write;
    ui->hostController = controller;
    if (!ui->open(parent, features, widget)) {
        return nullptr;
    }
    return ui;
}

Ui::Ui(const UiClass& cls, std::unique_ptr<wrappers::ComponentHost> pair)
    : uiClass(cls), host(std::move(pair)) {
    host->setEditListener(this);
}

Ui::~Ui() {
    // A menu open over the editor closes with it, calling nothing.
    contextMenus.setWindow(0);
    if (editor) {
        if (attached) {
            editor->removed();
        }
        editor->setFrame(nullptr);
        editor = nullptr;
    }
    if (frame) {
        frame->clear();
        frame = nullptr;
    }
    if (host) {
        host->setEditListener(nullptr);
        host.reset();
    }
    if (opened && uiClass.close) {
        uiClass.close();
    }
}

bool Ui::open(void* parent, const LV2_Feature* const* features, LV2UI_Widget* widget) {
    resize = static_cast<const LV2UI_Resize*>(featureData(features, LV2_UI__resize));
    touchFeature = static_cast<const LV2UI_Touch*>(featureData(features, LV2_UI__touch));
    map = static_cast<const LV2_URID_Map*>(featureData(features, LV2_URID__map));
    editor = Steinberg::owned(host->createEditor());
    if (!editor) {
        return false;
    }
    // Driven by the host's idle calls.
    frame = Steinberg::owned(new wrappers::EditorFrame(this));
    editor->setFrame(frame);
    const double hostScale = scaleFactorOption(features);
    if (hostScale > 0.0) {
        applyScale(hostScale);
    }
    if (editor->attached(parent, Steinberg::kPlatformTypeX11EmbedWindowID) !=
        Steinberg::kResultOk) {
        editor->setFrame(nullptr);
        return false;
    }
    attached = true;
    // A view that did not ask for its size while attaching still gets the host's frame sized.
    ViewRect size;
    if (!sized && editor->getSize(&size) == Steinberg::kResultOk) {
        resizeEditor(size.getWidth(), size.getHeight());
    }
    const std::uintptr_t own = newestChild(reinterpret_cast<std::uintptr_t>(parent));
    const std::uintptr_t editorWindow = own != 0 ? own : reinterpret_cast<std::uintptr_t>(parent);
    *widget = reinterpret_cast<LV2UI_Widget>(editorWindow);
    // The view's coordinates, which a menu's position is given in, are its own window's.
    contextMenus.setWindow(editorWindow);
    return true;
}

bool Ui::applyScale(double factor) {
    Steinberg::FUnknownPtr<Steinberg::IPlugViewContentScaleSupport> scaling(editor);
    if (!scaling ||
        scaling->setContentScaleFactor(static_cast<float>(factor)) != Steinberg::kResultOk) {
        return false;
    }
    scaleFactor = factor;
    return true;
}

std::uint32_t Ui::getOptions(LV2_Options_Option* options) const {
    if (!options) {
        return LV2_OPTIONS_ERR_UNKNOWN;
    }
    std::uint32_t status = LV2_OPTIONS_SUCCESS;
    const LV2_URID scaleKey = map && map->map ? map->map(map->handle, LV2_UI__scaleFactor) : 0;
    const LV2_URID floatType = map && map->map ? map->map(map->handle, LV2_ATOM__Float) : 0;
    for (LV2_Options_Option* o = options; o->key != 0 || o->value != nullptr; ++o) {
        if (scaleKey != 0 && o->key == scaleKey && o->context == LV2_OPTIONS_INSTANCE) {
            reportedScale = static_cast<float>(scaleFactor);
            o->size = sizeof reportedScale;
            o->type = floatType;
            o->value = &reportedScale;
        } else {
            status |= LV2_OPTIONS_ERR_BAD_KEY;
        }
    }
    return status;
}

std::uint32_t Ui::setOptions(const LV2_Options_Option* options) {
    if (!options) {
        return LV2_OPTIONS_ERR_UNKNOWN;
    }
    std::uint32_t status = LV2_OPTIONS_SUCCESS;
    const LV2_URID scaleKey = map && map->map ? map->map(map->handle, LV2_UI__scaleFactor) : 0;
    const LV2_URID floatType = map && map->map ? map->map(map->handle, LV2_ATOM__Float) : 0;
    for (const LV2_Options_Option* o = options; o->key != 0 || o->value != nullptr; ++o) {
        if (scaleKey == 0 || o->key != scaleKey || o->context != LV2_OPTIONS_INSTANCE) {
            status |= LV2_OPTIONS_ERR_BAD_KEY;
            continue;
        }
        float value = 0.0f;
        if (o->type != floatType || o->size != sizeof value || !o->value) {
            status |= LV2_OPTIONS_ERR_BAD_VALUE;
            continue;
        }
        std::memcpy(&value, o->value, sizeof value);
        // The view resizes the host's frame itself (ui:resize) when its scale changes.
        if (!std::isfinite(value) || !(value > 0.0f) || !applyScale(value)) {
            status |= LV2_OPTIONS_ERR_BAD_VALUE;
        }
    }
    return status;
}

Steinberg::Vst::IContextMenu* Ui::createContextMenu(Steinberg::IPlugView* /*view*/,
                                                    const ParamID* /*id*/) noexcept {
    return guarded<Steinberg::Vst::IContextMenu*>(nullptr, [&] { return contextMenus.create(); });
}

bool Ui::resizeEditor(std::int32_t width, std::int32_t height) noexcept {
    sized = true;
    if (!resize || !resize->ui_resize) {
        return true;
    }
    return resize->ui_resize(resize->handle, width, height) == 0;
}

int Ui::controlIndex(ParamID id) const {
    const PortLayout& layout = uiClass.plugin.layout;
    for (std::size_t i = 0; i < layout.controlCount; ++i) {
        if (layout.controls[i].id == id) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void Ui::portEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format,
                   const void* buffer) {
    const PortLayout& layout = uiClass.plugin.layout;
    const std::uint32_t control = port - firstControlPort;
    if (port < firstControlPort || control >= layout.controlCount || format != 0 ||
        size != sizeof(float) || !buffer) {
        return;
    }
    float value = 0.0f;
    std::memcpy(&value, buffer, sizeof value);
    const ControlPort& target = layout.controls[control];
    host->setNormalized(target.id, toNormalized(target.kind, value));
}

int Ui::idle() {
    if (frame) {
        frame->idle();
    }
    return 0;
}

void Ui::touch(ParamID id, bool grabbed) noexcept {
    const int index = controlIndex(id);
    if (index >= 0 && touchFeature && touchFeature->touch) {
        touchFeature->touch(touchFeature->handle,
                            firstControlPort + static_cast<std::uint32_t>(index), grabbed);
    }
}

void Ui::beginEdit(ParamID id) noexcept {
    touch(id, true);
}

void Ui::performEdit(ParamID id, ParamValue normalized) noexcept {
    const int index = controlIndex(id);
    if (index < 0 || !writeFunction) {
        return;
    }
    const ControlPort& port = uiClass.plugin.layout.controls[index];
    const float value = toPort(port.kind, normalized);
    writeFunction(hostController, firstControlPort + static_cast<std::uint32_t>(index),
                  sizeof value, 0, &value);
}

void Ui::endEdit(ParamID id) noexcept {
    touch(id, false);
}

} // namespace kelvane::lv2
