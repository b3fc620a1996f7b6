// A screenshot of a host's window that shows the plug-in's editor, and whether it does.
//   tivrandel-lv2-shot TITLE OUT.png [ID=VALUE...]
// Finds the top-level window named TITLE on the display, writes it as a PNG, finds the window
// inside it that has the editor's size, and compares that with the editor drawn offscreen at
// the parameters' defaults, or at the normalized values given for parameter ids. Exit status 0 when
// they agree (fewer than one pixel in 200 differs), 1 when they do not or no such window is there,
// 2 for a command line that cannot be followed.

#include "module/classids.h"
#include "module/entrypoints.h"
#include "module/factory.h"
#include "wrappers/common/componenthost.h"

#include "public.sdk/source/vst/vstguieditor.h"
#include "vstgui/lib/cframe.h"
#include "vstgui/lib/offscreenframe.h"

#include <cairo.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr std::uint16_t editorWidth = 346;
constexpr std::uint16_t editorHeight = 160;

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
Reply<T> reply(T* raw) {
    return Reply<T>(raw, &std::free);
}

struct Display {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    ~Display() { xcb_disconnect(connection); }

    std::vector<xcb_window_t> children(xcb_window_t window) {
        auto tree =
            reply(xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr));
        if (!tree) {
            return {};
        }
        std::vector<xcb_window_t> windows;
        const xcb_window_t* first = xcb_query_tree_children(tree.get());
        for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
            windows.push_back(first[i]);
        }
        return windows;
    }
    std::string name(xcb_window_t window) {
        auto property =
            reply(xcb_get_property_reply(connection,
                                         xcb_get_property(connection, 0, window, XCB_ATOM_WM_NAME,
                                                          XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
                                         nullptr));
        if (!property) {
            return {};
        }
        const char* text = static_cast<const char*>(xcb_get_property_value(property.get()));
        return std::string(text, text + xcb_get_property_value_length(property.get()));
    }
    bool size(xcb_window_t window, std::uint16_t& width, std::uint16_t& height) {
        auto geometry = reply(
            xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
        if (!geometry) {
            return false;
        }
        width = geometry->width;
        height = geometry->height;
        return true;
    }
    bool viewable(xcb_window_t window) {
        auto attributes = reply(xcb_get_window_attributes_reply(
            connection, xcb_get_window_attributes(connection, window), nullptr));
        return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    }
    // 0xRRGGBB row by row; empty when it cannot be read.
    std::vector<std::uint32_t> capture(xcb_window_t window, std::uint16_t width,
                                       std::uint16_t height) {
        auto image = reply(xcb_get_image_reply(
            connection,
            xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0, width, height, ~0u),
            nullptr));
        if (!image || xcb_get_image_data_length(image.get()) < width * height * 4) {
            return {};
        }
        const std::uint8_t* data = xcb_get_image_data(image.get());
        std::vector<std::uint32_t> pixels(std::size_t(width) * height);
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            pixels[i] = std::uint32_t(data[4 * i]) | std::uint32_t(data[4 * i + 1]) << 8 |
                        std::uint32_t(data[4 * i + 2]) << 16;
        }
        return pixels;
    }
    // The first viewable window below window (depth first) of the given size.
    xcb_window_t findSized(xcb_window_t window, std::uint16_t width, std::uint16_t height) {
        for (xcb_window_t child : children(window)) {
            std::uint16_t w = 0, h = 0;
            if (size(child, w, h) && w == width && h == height && viewable(child)) {
                return child;
            }
            if (const xcb_window_t found = findSized(child, width, height)) {
                return found;
            }
        }
        return 0;
    }
};

bool writePng(const std::vector<std::uint32_t>& pixels, int width, int height, const char* path) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y) {
        std::memcpy(data + y * stride, pixels.data() + std::size_t(y) * width,
                    std::size_t(width) * 4);
    }
    cairo_surface_mark_dirty(surface);
    const bool written = cairo_surface_write_to_png(surface, path) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return written;
}

// The editor at the defaults, drawn offscreen.
std::vector<std::uint32_t>
offscreenEditor(const std::vector<std::pair<Steinberg::Vst::ParamID, double>>& values) {
    std::vector<std::uint32_t> image;
    const Steinberg::IPtr<Steinberg::IPluginFactory> factory(tivrandel::createFactory(), false);
    Steinberg::TUID cid;
    tivrandel::processorClassId().toTUID(cid);
    auto pair = kelvane::wrappers::ComponentHost::create(factory, cid);
    if (!pair) {
        return image;
    }
    for (const auto& [id, value] : values) {
        pair->setNormalized(id, value);
    }
    auto view = Steinberg::owned(pair->createEditor());
    if (!view) {
        return image;
    }
    auto* editor = dynamic_cast<Steinberg::Vst::VSTGUIEditor*>(view.get());
    VSTGUI::OffscreenFrame* offscreen = editor ? editor->attachOffscreen() : nullptr;
    if (offscreen) {
        offscreen->drawAll();
        for (std::int32_t py = 0; py < editorHeight; ++py) {
            for (std::int32_t px = 0; px < editorWidth; ++px) {
                image.push_back(offscreen->getPixel(px, py) & 0xffffff);
            }
        }
    }
    view->removed();
    return image;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::pair<Steinberg::Vst::ParamID, double>> values;
    for (int i = 3; i < argc; ++i) {
        char* end = nullptr;
        const unsigned long id = std::strtoul(argv[i], &end, 10);
        if (end == argv[i] || *end != '=') {
            argc = 0;
            break;
        }
        values.emplace_back(static_cast<Steinberg::Vst::ParamID>(id),
                            std::strtod(end + 1, nullptr));
    }
    if (argc < 3) {
        std::cerr << "usage: tivrandel-lv2-shot TITLE OUT.png [ID=VALUE...]\n";
        return 2;
    }
    const std::string title = argv[1];
    Display display;
    if (xcb_connection_has_error(display.connection)) {
        std::cerr << "no display\n";
        return 1;
    }
    const xcb_window_t root =
        xcb_setup_roots_iterator(xcb_get_setup(display.connection)).data->root;
    xcb_window_t top = 0;
    for (xcb_window_t window : display.children(root)) {
        if (display.name(window) == title && display.viewable(window)) {
            top = window;
        }
    }
    std::uint16_t width = 0, height = 0;
    if (!top || !display.size(top, width, height)) {
        std::cerr << "no window \"" << title << "\" on the display\n";
        return 1;
    }
    const std::vector<std::uint32_t> shot = display.capture(top, width, height);
    if (shot.empty() || !writePng(shot, width, height, argv[2])) {
        std::cerr << "cannot capture the window\n";
        return 1;
    }
    std::cout << "window \"" << title << "\": " << width << " x " << height << ", written to "
              << argv[2] << "\n";
    const xcb_window_t editorWindow = display.findSized(top, editorWidth, editorHeight);
    if (!editorWindow) {
        std::cout << "no " << editorWidth << " x " << editorHeight << " window inside it\n";
        return 1;
    }
    const std::vector<std::uint32_t> shown =
        display.capture(editorWindow, editorWidth, editorHeight);
    tivrandel::entry::startModule();
    const std::vector<std::uint32_t> expected = offscreenEditor(values);
    tivrandel::entry::stopModule();
    if (shown.size() != expected.size() || expected.empty()) {
        std::cout << "cannot compare the editor's window\n";
        return 1;
    }
    std::size_t differing = 0;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        differing += shown[i] != expected[i];
    }
    std::cout << "the editor's window: " << differing << " of " << shown.size()
              << " pixels differ from the editor drawn offscreen\n";
    return differing < shown.size() / 200 ? 0 : 1;
}
