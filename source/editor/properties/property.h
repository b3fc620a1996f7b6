#pragma once

#include <picojson.h>

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace kelvane::vst {

// A typed setting of an editor view that reads itself from a layout's JSON value and tells its
// listeners when its value has been replaced. Properties are members of the view that owns them
// and die with it; nothing deletes one through this interface, hence no virtual destructor.
class Property {
public:
    // Reads a new value; on failure throws and leaves value and listeners as they were.
    virtual void load(const picojson::value& value) = 0;
    virtual void addListener(const std::function<void()>& listener) = 0;

protected:
    Property() = default;
    Property(const Property&) = default;
    Property& operator=(const Property&) = default;
    ~Property() = default;
};

// A view's properties by name; the view owns the properties, the table only points at them.
using PropertyTable = std::map<std::string, Property*>;

// Loads value into the property of that name; answers false when the table has none.
inline bool loadProperty(const PropertyTable& properties, const std::string& name,
                         const picojson::value& value) {
    const auto found = properties.find(name);
    if (found == properties.end()) {
        return false;
    }
    found->second->load(value);
    return true;
}

template <typename T>
class SimpleProperty : public Property {
public:
    using ValueType = T;

    const T& get() const { return current; }

    // Assigns, then calls every listener once in the order they were added. A listener that
    // throws ends the round: the value stays assigned and later listeners are not called.
    void set(const T& newValue) {
        current = newValue;
        notify();
    }

    void addListener(const std::function<void()>& listener) override {
        listeners.push_back(listener);
    }

protected:
    SimpleProperty() : current() {}
    explicit SimpleProperty(T initial) : current(std::move(initial)) {}

    // What a successful load ends with: the same as set, without a copy.
    void assign(T newValue) {
        current = std::move(newValue);
        notify();
    }

private:
    void notify() {
        // By index and on a copy, up to the count at the start: a listener may add listeners.
        for (std::size_t i = 0, count = listeners.size(); i < count; ++i) {
            const std::function<void()> listener = listeners[i];
            listener();
        }
    }

    T current;
    std::vector<std::function<void()>> listeners;
};

// The base of the properties that views also set from code (numbers and texts).
template <typename T>
class SimplePropertyWithSet : public SimpleProperty<T> {
protected:
    using SimpleProperty<T>::SimpleProperty;
};

// The value a fresh P (holding P's default, with no listeners) has after loading json. Composite
// properties read their parts with it.
template <typename P>
typename P::ValueType parsePropertyValue(const picojson::value& json) {
    P part;
    part.load(json);
    return part.get();
}

} // namespace kelvane::vst
