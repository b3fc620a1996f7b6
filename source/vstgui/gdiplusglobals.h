#pragma once

#include <cstdint>

namespace VSTGUI {

// The process-wide GDI+ start-up shared by the module entry and every editor: the first enter()
// creates the shared object (which starts GDI+), later ones only count; the exit() that balances
// the first enter() deletes it (which shuts GDI+ down). Called on the host's main thread only,
// so the counter takes no lock.
class GDIPlusGlobals {
public:
    static void enter();
    static void exit();

    // Whether the shared object exists, that is GDI+ is started; and how many enters it holds.
    static bool running();
    static std::int32_t useCount();

    GDIPlusGlobals(const GDIPlusGlobals&) = delete;
    GDIPlusGlobals& operator=(const GDIPlusGlobals&) = delete;

private:
    GDIPlusGlobals();
    ~GDIPlusGlobals();

    static GDIPlusGlobals* instance;
    static std::int32_t count;

    [[maybe_unused]] std::uintptr_t token = 0; // the GDI+ start-up token, on Windows
};

} // namespace VSTGUI
