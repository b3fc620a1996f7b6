#pragma once

#include "vstgui/lib/vstguifwd.h"

#include <cstdint>
#include <utility>

namespace VSTGUI {

// The base of everything the view layer counts references to. An object starts with one
// reference, held by whoever created it; the forget() that releases the last one deletes it.
// Counting is not atomic: all of this lives on the user-interface thread.
class CBaseObject {
public:
    CBaseObject() = default;
    CBaseObject(const CBaseObject&) = delete;
    CBaseObject& operator=(const CBaseObject&) = delete;

    void remember() { ++nbReference; }
    void forget() {
        if (--nbReference == 0) {
            beforeDelete();
            delete this;
        }
    }
    std::int32_t getNbReference() const { return nbReference; }

    // A message from another object, e.g. a timer's CVSTGUITimer::kMsgTimer.
    virtual CMessageResult notify(CBaseObject* sender, IdStringPtr message);

protected:
    virtual ~CBaseObject() = default;
    // Runs once, just before the object deletes itself.
    virtual void beforeDelete() {}

private:
    std::int32_t nbReference = 1;
};

inline CMessageResult CBaseObject::notify(CBaseObject*, IdStringPtr) {
    return kMessageUnknown;
}

// Holds one reference to a CBaseObject (remember on taking, forget on letting go).
template <typename T>
class SharedPointer {
public:
    SharedPointer() = default;
    SharedPointer(T* pointee, bool remember = true) : object(pointee) {
        if (object != nullptr && remember)
            object->remember();
    }
    SharedPointer(const SharedPointer& other) : SharedPointer(other.object) {}
    SharedPointer(SharedPointer&& other) noexcept : object(std::exchange(other.object, nullptr)) {}
    SharedPointer& operator=(SharedPointer other) noexcept {
        std::swap(object, other.object);
        return *this;
    }
    ~SharedPointer() {
        if (object != nullptr)
            object->forget();
    }

    T* get() const { return object; }
    T* operator->() const { return object; }
    T& operator*() const { return *object; }
    explicit operator bool() const { return object != nullptr; }

private:
    T* object = nullptr;
};

// A new object whose first reference the pointer takes over.
template <typename T, typename... Args>
SharedPointer<T> makeOwned(Args&&... args) {
    return SharedPointer<T>(new T(std::forward<Args>(args)...), false);
}

} // namespace VSTGUI
