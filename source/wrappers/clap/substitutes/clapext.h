#pragma once

// CLAP extensions that the packaged CLAP 1.1 headers lack, declared from the published CLAP
// documentation (MIT): posix-fd-support, tail and render.

#include "clap/plugin.h"

#ifdef __cplusplus
extern "C" {
#endif

static CLAP_CONSTEXPR const char CLAP_EXT_POSIX_FD_SUPPORT[] = "clap.posix-fd-support";

enum {
    CLAP_POSIX_FD_READ = 1 << 0,
    CLAP_POSIX_FD_WRITE = 1 << 1,
    CLAP_POSIX_FD_ERROR = 1 << 2,
};
typedef uint32_t clap_posix_fd_flags_t;

typedef struct clap_plugin_posix_fd_support {
    // [main-thread]
    void(CLAP_ABI* on_fd)(const clap_plugin_t* plugin, int fd, clap_posix_fd_flags_t flags);
} clap_plugin_posix_fd_support_t;

typedef struct clap_host_posix_fd_support {
    // [main-thread]
    bool(CLAP_ABI* register_fd)(const clap_host_t* host, int fd, clap_posix_fd_flags_t flags);
    bool(CLAP_ABI* modify_fd)(const clap_host_t* host, int fd, clap_posix_fd_flags_t flags);
    bool(CLAP_ABI* unregister_fd)(const clap_host_t* host, int fd);
} clap_host_posix_fd_support_t;

static CLAP_CONSTEXPR const char CLAP_EXT_TAIL[] = "clap.tail";

typedef struct clap_plugin_tail {
    // The tail length in samples; INT32_MAX or more means infinite. [main-thread, audio-thread]
    uint32_t(CLAP_ABI* get)(const clap_plugin_t* plugin);
} clap_plugin_tail_t;

typedef struct clap_host_tail {
    // [audio-thread]
    void(CLAP_ABI* changed)(const clap_host_t* host);
} clap_host_tail_t;

static CLAP_CONSTEXPR const char CLAP_EXT_RENDER[] = "clap.render";

enum {
    CLAP_RENDER_REALTIME = 0,
    CLAP_RENDER_OFFLINE = 1,
};
typedef int32_t clap_plugin_render_mode;

typedef struct clap_plugin_render {
    // [main-thread]
    bool(CLAP_ABI* has_hard_realtime_requirement)(const clap_plugin_t* plugin);
    // [main-thread]
    bool(CLAP_ABI* set)(const clap_plugin_t* plugin, clap_plugin_render_mode mode);
} clap_plugin_render_t;

#ifdef __cplusplus
}
#endif
