#include "vstgui/lib/platform/linux/x11frame.h"

#include "vstgui/gdiplusglobals.h"
#include "vstgui/lib/gdiplusdrawcontext.h"

#include "gdiplus/gdiplus.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace VSTGUI::X11 {
namespace {

// xcb hands out replies and events in malloc'ed memory.
template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
Reply<T> reply(T* pointer) {
    return Reply<T>(pointer, &std::free);
}

std::int32_t pixels(CCoord side) {
    if (!(side > 1.))
        return 1;
    return static_cast<std::int32_t>(std::ceil(std::min(side, 16384.)));
}

// The pixels that GDI+'s premultiplied ARGB words are in memory: 32 bits each, red, green and
// blue in the low three bytes.
bool takesOurPixels(const xcb_visualtype_t& visual) {
    return visual._class == XCB_VISUAL_CLASS_TRUE_COLOR && visual.red_mask == 0xff0000u &&
           visual.green_mask == 0xff00u && visual.blue_mask == 0xffu;
}

} // namespace

bool DoubleClicks::press(std::uint8_t button, std::uint32_t time, std::int32_t x, std::int32_t y) {
    const bool completes = open && button == lastButton && time - lastTime <= interval &&
                           std::abs(x - lastX) <= distance && std::abs(y - lastY) <= distance;
    open = !completes;
    lastButton = button;
    lastTime = time;
    lastX = x;
    lastY = y;
    return completes;
}

Frame::GdiplusUse::GdiplusUse() {
    GDIPlusGlobals::enter();
}

Frame::GdiplusUse::~GdiplusUse() {
    GDIPlusGlobals::exit();
}

Frame::Frame(IPlatformFrameCallback* callback, std::shared_ptr<Connection> x)
    : frame(callback), shared(std::move(x)), connection(shared->get()) {}

std::unique_ptr<Frame> Frame::create(IPlatformFrameCallback* frame, const CRect& size,
                                     xcb_window_t parent, SharedPointer<IRunLoop> runLoop) {
    if (frame == nullptr || parent == 0)
        return nullptr;
    std::shared_ptr<Connection> connection = Connection::acquire();
    if (!connection)
        return nullptr;
    std::unique_ptr<Frame> result(new Frame(frame, std::move(connection)));
    if (!result->open(parent, pixels(size.getWidth()), pixels(size.getHeight())))
        return nullptr;
    result->shared->add(result->window, result.get(), std::move(runLoop));
    return result;
}

Frame::~Frame() {
    // No event reaches a frame that is being taken apart.
    shared->remove(this);
    if (window != 0)
        xcb_destroy_window(connection, window);
    if (gc != 0)
        xcb_free_gc(connection, gc);
    if (pixmap != 0)
        xcb_free_pixmap(connection, pixmap);
    if (colormap != 0)
        xcb_free_colormap(connection, colormap);
    // Gone when the host's remove returns: it may destroy its window next.
    if (!xcb_connection_has_error(connection))
        sync();
}

bool Frame::open(xcb_window_t parent, std::int32_t newWidth, std::int32_t newHeight) {
    xcb_generic_error_t* error = nullptr;
    auto geometry =
        reply(xcb_get_geometry_reply(connection, xcb_get_geometry(connection, parent), &error));
    std::free(error);
    if (!geometry || !chooseVisual(parent, geometry->root))
        return false;
    root = geometry->root;
    makeBuffer(newWidth, newHeight);

    window = xcb_generate_id(connection);
    // In the order of the value mask's bits.
    std::uint32_t values[4];
    std::uint32_t mask = XCB_CW_BACK_PIXMAP | XCB_CW_BORDER_PIXEL | XCB_CW_EVENT_MASK;
    values[0] = pixmap;
    values[1] = 0;
    values[2] = XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS |
                XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION |
                XCB_EVENT_MASK_LEAVE_WINDOW | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    if (colormap != 0) {
        mask |= XCB_CW_COLORMAP;
        values[3] = colormap;
    }
    xcb_create_window(connection, depth, window, parent, 0, 0, static_cast<std::uint16_t>(width),
                      static_cast<std::uint16_t>(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, visual,
                      mask, values);
    announceEmbedding();
    xcb_map_window(connection, window);
    // The window is there when the host's attach returns.
    sync();
    return !xcb_connection_has_error(connection);
}

void Frame::announceEmbedding() {
    // XEmbed: protocol version 0, and the embedder is to keep the window mapped.
    static const char name[] = "_XEMBED_INFO";
    auto atom = reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, sizeof(name) - 1, name), nullptr));
    if (!atom)
        return;
    const std::uint32_t info[2] = {0, 1};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atom->atom, atom->atom, 32, 2,
                        info);
}

void Frame::sync() {
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

bool Frame::chooseVisual(xcb_window_t parent, xcb_window_t rootWindow) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    swapBytes = setup->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
    auto thirtyTwoBits = [&](std::uint8_t candidate) {
        if (candidate != 24 && candidate != 32)
            return false;
        for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem > 0; xcb_format_next(&f)) {
            if (f.data->depth == candidate)
                return f.data->bits_per_pixel == 32;
        }
        return false;
    };
    auto attributes = reply(xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, parent), nullptr));
    const xcb_visualid_t parentVisual = attributes ? attributes->visual : 0;

    const xcb_visualtype_t* fallback = nullptr;
    for (auto s = xcb_setup_roots_iterator(setup); s.rem > 0; xcb_screen_next(&s)) {
        if (s.data->root != rootWindow)
            continue;
        for (auto d = xcb_screen_allowed_depths_iterator(s.data); d.rem > 0; xcb_depth_next(&d)) {
            if (!thirtyTwoBits(d.data->depth))
                continue;
            for (auto v = xcb_depth_visuals_iterator(d.data); v.rem > 0; xcb_visualtype_next(&v)) {
                if (!takesOurPixels(*v.data))
                    continue;
                if (v.data->visual_id == parentVisual) {
                    depth = d.data->depth;
                    visual = parentVisual;
                    return true;
                }
                if (fallback == nullptr && d.data->depth == 24)
                    fallback = v.data;
            }
        }
    }
    if (fallback == nullptr)
        return false;
    depth = 24;
    visual = fallback->visual_id;
    colormap = xcb_generate_id(connection);
    xcb_create_colormap(connection, XCB_COLORMAP_ALLOC_NONE, colormap, rootWindow, visual);
    return true;
}

void Frame::makeBuffer(std::int32_t newWidth, std::int32_t newHeight) {
    using namespace Gdiplus; // the pixel format is a constant of the namespace here
    width = newWidth;
    height = newHeight;
    buffer = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppPARGB);
    const xcb_pixmap_t previous = pixmap;
    pixmap = xcb_generate_id(connection);
    xcb_create_pixmap(connection, depth, pixmap, root, static_cast<std::uint16_t>(width),
                      static_cast<std::uint16_t>(height));
    if (gc == 0) {
        gc = xcb_generate_id(connection);
        const std::uint32_t noExposures = 0;
        xcb_create_gc(connection, gc, pixmap, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    }
    if (window != 0)
        xcb_change_window_attributes(connection, window, XCB_CW_BACK_PIXMAP, &pixmap);
    if (previous != 0)
        xcb_free_pixmap(connection, previous);
    paint(CRect(0, 0, width, height));
}

void Frame::paint(const CRect& area) {
    const std::int32_t x0 = std::max(0, static_cast<std::int32_t>(std::floor(area.left)));
    const std::int32_t y0 = std::max(0, static_cast<std::int32_t>(std::floor(area.top)));
    const std::int32_t x1 = std::min(width, static_cast<std::int32_t>(std::ceil(area.right)));
    const std::int32_t y1 = std::min(height, static_cast<std::int32_t>(std::ceil(area.bottom)));
    if (!buffer || x1 <= x0 || y1 <= y0)
        return;
    {
        Gdiplus::Graphics graphics(buffer.get());
        GdiplusDrawContext context(&graphics, CRect(0, 0, width, height));
        frame->platformDrawRect(&context, CRect(x0, y0, x1, y1));
    }
    putPixels(x0, y0, x1 - x0, y1 - y0);
    if (window != 0)
        xcb_copy_area(connection, pixmap, window, gc, static_cast<std::int16_t>(x0),
                      static_cast<std::int16_t>(y0), static_cast<std::int16_t>(x0),
                      static_cast<std::int16_t>(y0), static_cast<std::uint16_t>(x1 - x0),
                      static_cast<std::uint16_t>(y1 - y0));
    xcb_flush(connection);
}

void Frame::putPixels(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
    using namespace Gdiplus;
    const std::size_t rowBytes = static_cast<std::size_t>(w) * 4;
    rows.resize(rowBytes * static_cast<std::size_t>(h));
    BitmapData data{};
    data.Width = static_cast<UINT>(w);
    data.Height = static_cast<UINT>(h);
    data.Stride = static_cast<INT>(rowBytes);
    data.PixelFormat = PixelFormat32bppPARGB;
    data.Scan0 = rows.data();
    const Gdiplus::Rect rect(x, y, w, h);
    if (buffer->LockBits(&rect, ImageLockModeRead | ImageLockModeUserInputBuf,
                         PixelFormat32bppPARGB, &data) != Ok)
        return;
    buffer->UnlockBits(&data);
    if (swapBytes) {
        for (std::size_t i = 0; i + 3 < rows.size(); i += 4) {
            std::swap(rows[i], rows[i + 3]);
            std::swap(rows[i + 1], rows[i + 2]);
        }
    }
    // As many rows a request as the server takes (the length counts 4-byte units).
    const std::size_t maximum = std::size_t(xcb_get_maximum_request_length(connection)) * 4;
    const std::int32_t perRequest =
        std::max<std::int32_t>(1, static_cast<std::int32_t>((maximum - 64) / rowBytes));
    for (std::int32_t row = 0; row < h; row += perRequest) {
        const std::int32_t count = std::min(perRequest, h - row);
        xcb_put_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc,
                      static_cast<std::uint16_t>(w), static_cast<std::uint16_t>(count),
                      static_cast<std::int16_t>(x), static_cast<std::int16_t>(y + row), 0, depth,
                      static_cast<std::uint32_t>(rowBytes * static_cast<std::size_t>(count)),
                      rows.data() + rowBytes * static_cast<std::size_t>(row));
    }
}

CButtonState Frame::buttonsOf(std::uint16_t state) {
    CButtonState buttons;
    if (state & XCB_BUTTON_MASK_1)
        buttons |= kLButton;
    if (state & XCB_BUTTON_MASK_2)
        buttons |= kMButton;
    if (state & XCB_BUTTON_MASK_3)
        buttons |= kRButton;
    if (state & XCB_MOD_MASK_SHIFT)
        buttons |= kShift;
    if (state & XCB_MOD_MASK_CONTROL)
        buttons |= kControl;
    if (state & XCB_MOD_MASK_1)
        buttons |= kAlt;
    return buttons;
}

CButtonState Frame::buttonOf(std::uint8_t detail) {
    switch (detail) {
    case 1:
        return kLButton;
    case 2:
        return kMButton;
    case 3:
        return kRButton;
    case 8:
        return kButton4;
    case 9:
        return kButton5;
    default:
        return 0;
    }
}

void Frame::handle(const xcb_generic_event_t& event) {
    switch (event.response_type & 0x7f) {
    case XCB_EXPOSE: {
        // The pixmap holds what the frame last painted; the server has drawn it already as the
        // background, copying it again keeps hosts that clear the area right.
        const auto& expose = reinterpret_cast<const xcb_expose_event_t&>(event);
        if (expose.window == window)
            xcb_copy_area(connection, pixmap, window, gc, static_cast<std::int16_t>(expose.x),
                          static_cast<std::int16_t>(expose.y), static_cast<std::int16_t>(expose.x),
                          static_cast<std::int16_t>(expose.y), expose.width, expose.height);
        break;
    }
    case XCB_BUTTON_PRESS: {
        const auto& press = reinterpret_cast<const xcb_button_press_event_t&>(event);
        CPoint where(press.event_x, press.event_y);
        if (press.detail >= 4 && press.detail <= 7) {
            // Wheel steps: 4 up, 5 down, 6 left, 7 right.
            const CMouseWheelAxis axis = press.detail <= 5 ? kMouseWheelAxisY : kMouseWheelAxisX;
            const float distance = press.detail == 4 || press.detail == 7 ? 1.f : -1.f;
            frame->platformOnMouseWheel(where, axis, distance, buttonsOf(press.state));
        } else if (buttonOf(press.detail) != 0) {
            // The state is from before the press; the server grabs the pointer for us until the
            // last button is released, so the drag's moves arrive even outside the window.
            CButtonState buttons = buttonsOf(press.state) | buttonOf(press.detail)();
            if (clicks.press(press.detail, press.time, press.root_x, press.root_y))
                buttons |= kDoubleClick;
            frame->platformOnMouseDown(where, buttons);
        }
        break;
    }
    case XCB_BUTTON_RELEASE: {
        const auto& release = reinterpret_cast<const xcb_button_release_event_t&>(event);
        if (buttonOf(release.detail) == 0)
            break;
        CPoint where(release.event_x, release.event_y);
        frame->platformOnMouseUp(where, buttonsOf(release.state) | buttonOf(release.detail)());
        break;
    }
    case XCB_MOTION_NOTIFY: {
        const auto& motion = reinterpret_cast<const xcb_motion_notify_event_t&>(event);
        CPoint where(motion.event_x, motion.event_y);
        frame->platformOnMouseMoved(where, buttonsOf(motion.state));
        break;
    }
    case XCB_LEAVE_NOTIFY: {
        // Into a window of ours inside it is no leaving (there are none yet).
        const auto& leave = reinterpret_cast<const xcb_leave_notify_event_t&>(event);
        if (leave.event == window && leave.detail != XCB_NOTIFY_DETAIL_INFERIOR)
            frame->platformOnMouseExited();
        break;
    }
    case XCB_DESTROY_NOTIFY: {
        // Destroyed with the host's window before the frame let it go.
        const auto& destroyed = reinterpret_cast<const xcb_destroy_notify_event_t&>(event);
        if (destroyed.window == window)
            window = 0;
        break;
    }
    default:
        break;
    }
}

bool Frame::getCurrentMousePosition(CPoint& mousePosition) const {
    if (window == 0)
        return false;
    auto pointer =
        reply(xcb_query_pointer_reply(connection, xcb_query_pointer(connection, window), nullptr));
    if (!pointer || !pointer->same_screen)
        return false;
    mousePosition = CPoint(pointer->win_x, pointer->win_y);
    return true;
}

bool Frame::invalidRect(const CRect& rect) {
    if (window == 0)
        return false;
    paint(rect);
    return true;
}

bool Frame::setSize(const CRect& newSize) {
    if (window == 0)
        return false;
    const std::int32_t newWidth = pixels(newSize.getWidth());
    const std::int32_t newHeight = pixels(newSize.getHeight());
    const std::uint32_t values[2] = {static_cast<std::uint32_t>(newWidth),
                                     static_cast<std::uint32_t>(newHeight)};
    xcb_configure_window(connection, window, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                         values);
    makeBuffer(newWidth, newHeight);
    return true;
}

} // namespace VSTGUI::X11
