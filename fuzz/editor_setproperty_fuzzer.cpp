// Applies a JSON document {name: value, ...} to a fresh instance of each of the editor's own
// views through setProperty, and loads the document and each of its member values into every
// property class. The only errors a setting may raise are the configuration errors the layout
// applier logs: picojson's type mismatches and toWide's bad conversions (std::runtime_error),
// short arrays and missing members (std::out_of_range), unknown keywords and names
// (std::logic_error). Anything else escapes and counts as a crash, as does a failed property
// load that changed the property's value.
#include "editor/properties/alignmentproperty.h"
#include "editor/properties/arrayproperty.h"
#include "editor/properties/colorproperty.h"
#include "editor/properties/geometryproperties.h"
#include "editor/properties/pathprimitiveproperty.h"
#include "editor/properties/scalarproperties.h"
#include "editor/resources/resourcecache.h"
#include "editor/resources/stores.h"
#include "editor/views/kvline.h"
#include "editor/views/kvrect.h"
#include "editor/views/kvtext.h"
#include "editor/views/myknob.h"
#include "editor/views/tickmarkproperty.h"
#include "framework/jsonnesting.h"

#include "vstgui/gdiplusglobals.h"

#include <picojson.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace {

using namespace kelvane::vst;

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Runs body; answers whether it failed with a configuration error.
template <typename Body>
bool failsAsConfigured(Body&& body) {
    try {
        body();
        return false;
    } catch (const std::logic_error&) { // std::out_of_range included
        return true;
    } catch (const std::runtime_error&) { // std::range_error included
        return true;
    }
}

bool same(int a, int b) {
    return a == b;
}
bool same(double a, double b) {
    return a == b;
}
bool same(const std::string& a, const std::string& b) {
    return a == b;
}
bool same(const Gdiplus::Color& a, const Gdiplus::Color& b) {
    return a.GetValue() == b.GetValue();
}
bool same(Gdiplus::StringAlignment a, Gdiplus::StringAlignment b) {
    return a == b;
}
bool same(const VSTGUI::CPoint& a, const VSTGUI::CPoint& b) {
    return a == b;
}
bool same(const VSTGUI::CRect& a, const VSTGUI::CRect& b) {
    return a == b;
}
bool same(const PathPrimitive& a, const PathPrimitive& b) {
    return a.kind == b.kind && a.points == b.points;
}
bool same(const TickMark& a, const TickMark& b) {
    return a.width == b.width && a.innerRadius == b.innerRadius && a.outerRadius == b.outerRadius &&
           same(a.color, b.color);
}
template <typename T>
bool same(const std::vector<T>& a, const std::vector<T>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (!same(a[i], b[i])) {
            return false;
        }
    }
    return true;
}

// A load either succeeds, notifying once, or fails as configured, changing nothing.
template <typename P>
void loadInto(const picojson::value& value) {
    P property;
    int calls = 0;
    property.addListener([&] { ++calls; });
    const auto before = property.get();
    if (failsAsConfigured([&] { property.load(value); })) {
        check(same(property.get(), before) && calls == 0);
    } else {
        check(calls == 1);
    }
}

void loadIntoEveryProperty(const picojson::value& value) {
    loadInto<IntProperty>(value);
    loadInto<DoubleProperty>(value);
    loadInto<StringProperty>(value);
    loadInto<ColorProperty>(value);
    loadInto<AlignmentProperty>(value);
    loadInto<PointProperty>(value);
    loadInto<RectProperty>(value);
    loadInto<PathPrimitiveProperty>(value);
    loadInto<TickMarkProperty>(value);
    loadInto<ArrayProperty<PointProperty>>(value);
    loadInto<ArrayProperty<PathPrimitiveProperty>>(value);
    loadInto<ArrayProperty<TickMarkProperty>>(value);
}

void applyTo(VSTGUI::CView& view, const picojson::object& settings) {
    for (const auto& setting : settings) {
        failsAsConfigured([&] { view.setProperty(setting.first, setting.second); });
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // GDI+ stays up for the whole run, as it does for the module's life.
    static const bool started = (VSTGUI::GDIPlusGlobals::enter(), true);
    (void)started;

    // The layout applier refuses deeper documents before parsing them, as must this reader.
    if (!jsonNestingWithin(std::string_view(reinterpret_cast<const char*>(data), size))) {
        return 0;
    }
    picojson::value document;
    std::string error;
    try {
        picojson::parse(document, data, data + size, &error);
    } catch (const std::overflow_error&) { // a number beyond double's range
        return 0;
    }
    if (!error.empty()) {
        return 0;
    }
    loadIntoEveryProperty(document);
    if (!document.is<picojson::object>()) {
        return 0;
    }
    const picojson::object& settings = document.get<picojson::object>();
    for (const auto& member : settings) {
        loadIntoEveryProperty(member.second);
    }

    ResourceCache cache(tivrandel::editorResources());
    {
        auto view = VSTGUI::makeOwned<KVLine>(VSTGUI::CPoint(3, 4));
        applyTo(*view, settings);
    }
    {
        auto view = VSTGUI::makeOwned<KVRect>();
        applyTo(*view, settings);
    }
    {
        auto view = VSTGUI::makeOwned<KVText>(VSTGUI::CPoint(20, 10), &cache);
        applyTo(*view, settings);
    }
    {
        auto view = VSTGUI::makeOwned<MyKnob>(VSTGUI::CPoint(40, 40), nullptr, 1, &cache, 1);
        applyTo(*view, settings);
        view->setValue(0.7f);
    }
    return 0;
}
