#include "host/smallstack.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#endif

namespace testhost {

namespace {

#ifdef _WIN32
DWORD WINAPI runBody(void* body) {
    (*static_cast<const std::function<void()>*>(body))();
    return 0;
}
#else
void* runBody(void* body) {
    (*static_cast<const std::function<void()>*>(body))();
    return nullptr;
}
#endif

} // namespace

bool runOnSmallStack(std::size_t stackBytes, const std::function<void()>& body) {
    void* argument = const_cast<std::function<void()>*>(&body);
#ifdef _WIN32
    // Without the flag the size is only what is committed at first, and the stack may grow
    // to the executable's default reservation.
    HANDLE thread = CreateThread(nullptr, stackBytes, runBody, argument,
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread == nullptr)
        return false;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return true;
#else
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0)
        return false;
    pthread_t thread;
    const bool started = pthread_attr_setstacksize(&attributes, stackBytes) == 0 &&
                         pthread_create(&thread, &attributes, runBody, argument) == 0;
    pthread_attr_destroy(&attributes);
    if (started)
        pthread_join(thread, nullptr);
    return started;
#endif
}

} // namespace testhost
