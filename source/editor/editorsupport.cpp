#include "editor/editorsupport.h"

#include "platform/desktop.h"
#include "text/utf.h"

#include "base/source/fobject.h"
#include "public.sdk/source/vst/vsteditcontroller.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>

namespace kelvane::vst {

namespace {

const char* const resetItemText = "Reset to Default";
const char* const manualItemText = "Open the Manual";
// Lower case; a host whose program path contains it gets no plug-in menu items.
const char* const noMenuHostFragment = "nomenuhost";

void addItem(Steinberg::Vst::IContextMenu& menu, Steinberg::Vst::IContextMenuTarget& target,
             const char* text, Steinberg::int32 tag) {
    Steinberg::Vst::IContextMenuItem item{};
    const std::string utf8 = text;
    kelvane::text::utf8ToUtf16(utf8.data(), utf8.size(), item.name, 127);
    item.tag = tag;
    item.flags = 0;
    menu.addItem(item, &target);
}

} // namespace

std::int64_t systemTimeTicks() {
    using Ticks = std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>;
    return std::chrono::duration_cast<Ticks>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool readTextFile(const std::string& path, std::string& text) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    std::ostringstream contents;
    contents << file.rdbuf();
    if (file.bad())
        return false;
    text = contents.str();
    return true;
}

void writeTextFile(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file)
        file << text;
}

MenuItem menuItem(Steinberg::int32 tag) {
    const Steinberg::int32 group = tag / 1000;
    const auto id = static_cast<Steinberg::Vst::ParamID>(tag - 1000 * group);
    switch (group) {
    case 1:
        return {MenuItem::reset, id};
    case 2:
        return {MenuItem::manual, id};
    default:
        return {MenuItem::none, id};
    }
}

namespace {

// One side: its length kept within [minimum, minimum + margin], worked out in 64 bits so that no
// coordinate near the int32 limits overflows. A side that would end past the largest coordinate
// is moved back to end there.
void constrainSide(Steinberg::int32& low, Steinberg::int32& high, Steinberg::int32 minimum,
                   Steinberg::int32 margin) {
    const std::int64_t length = std::int64_t(high) - low;
    const std::int64_t wanted =
        std::clamp<std::int64_t>(length, minimum, std::int64_t(minimum) + margin);
    if (wanted == length)
        return;
    const std::int64_t end = std::int64_t(low) + wanted;
    constexpr std::int64_t largest = std::numeric_limits<Steinberg::int32>::max();
    if (end > largest) {
        low = static_cast<Steinberg::int32>(largest - wanted);
        high = static_cast<Steinberg::int32>(largest);
    } else {
        high = static_cast<Steinberg::int32>(end);
    }
}

} // namespace

std::string utf8Of(const Steinberg::Vst::TChar* text, std::size_t maxUnits) {
    std::string utf8;
    for (std::size_t i = 0; text != nullptr && i < maxUnits && text[i] != 0; ++i) {
        char32_t point = static_cast<char16_t>(text[i]);
        if (point >= 0xD800 && point <= 0xDFFF) {
            const char32_t next =
                i + 1 < maxUnits ? static_cast<char32_t>(static_cast<char16_t>(text[i + 1])) : 0;
            if (point <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
                point = 0x10000 + ((point - 0xD800) << 10) + (next - 0xDC00);
                ++i;
            } else {
                point = 0xFFFD;
            }
        }
        if (point < 0x80) {
            utf8 += static_cast<char>(point);
        } else if (point < 0x800) {
            utf8 += static_cast<char>(0xC0 | (point >> 6));
            utf8 += static_cast<char>(0x80 | (point & 0x3F));
        } else if (point < 0x10000) {
            utf8 += static_cast<char>(0xE0 | (point >> 12));
            utf8 += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (point & 0x3F));
        } else {
            utf8 += static_cast<char>(0xF0 | (point >> 18));
            utf8 += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
            utf8 += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (point & 0x3F));
        }
    }
    return utf8;
}

void constrainSize(Steinberg::ViewRect& rect, Steinberg::int32 width, Steinberg::int32 height,
                   Steinberg::int32 margin) {
    constrainSide(rect.left, rect.right, width, margin);
    constrainSide(rect.top, rect.bottom, height, margin);
}

bool hostShowsNoPluginMenu() {
    std::string path = platform::hostExecutablePath();
    std::transform(path.begin(), path.end(), path.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return path.find(noMenuHostFragment) != std::string::npos;
}

bool showContextMenu(Steinberg::Vst::EditController& controller, Steinberg::IPlugView& view,
                     Steinberg::Vst::IContextMenuTarget& target, Steinberg::Vst::ParamID id,
                     const VSTGUI::CPoint* where) {
    Steinberg::Vst::IComponentHandler* handler = controller.getComponentHandler();
    if (handler == nullptr)
        return false;
    Steinberg::FUnknownPtr<Steinberg::Vst::IComponentHandler3> handler3(handler);
    if (!handler3)
        return false;
    Steinberg::IPtr<Steinberg::Vst::IContextMenu> menu =
        Steinberg::owned(handler3->createContextMenu(&view, &id));
    if (!menu)
        return false;
    addItem(*menu, target, resetItemText, static_cast<Steinberg::int32>(1000 + id));
    addItem(*menu, target, manualItemText, static_cast<Steinberg::int32>(2000 + id));
    if (where != nullptr)
        menu->popup(static_cast<Steinberg::UCoord>(where->x),
                    static_cast<Steinberg::UCoord>(where->y));
    return true;
}

} // namespace kelvane::vst
