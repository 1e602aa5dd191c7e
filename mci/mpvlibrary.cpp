// libmpv, loaded when it is first used rather than when the program starts.
//
// libmpv pulls in some two hundred libraries (codecs, outputs, filters);
// binding them all at start-up costs more CPU than everything else the
// player does before its window appears. So the media layer is not linked
// against libmpv: these definitions of libmpv's whole public API load the
// library on the first call and forward to it. Without the library every
// call fails cleanly: mpv_create() gives null, and the devices report that
// the media engine could not be started.
#include <mpv/client.h>
#include <mpv/render.h>
#include <mpv/stream_cb.h>

#include "lazylibrary.h"

#include <string>

namespace {

constexpr const char* kMissing = "the media engine (libmpv) could not be loaded";

#if MPV_ENABLE_DEPRECATED
#define MPV_DEPRECATED_FUNCTIONS(X) X(int, mpv_get_wakeup_pipe, (mpv_handle * ctx), (ctx), -1)
#else
#define MPV_DEPRECATED_FUNCTIONS(X)
#endif

// X(return type, name, parameters, arguments, value without the library)
#define MPV_FUNCTIONS(X)                                                                                              \
    X(unsigned long, mpv_client_api_version, (void), (), 0)                                                          \
    X(const char*, mpv_error_string, (int error), (error), kMissing)                                                 \
    X(void, mpv_free, (void* data), (data), )                                                                        \
    X(const char*, mpv_client_name, (mpv_handle * ctx), (ctx), "")                                                   \
    X(int64_t, mpv_client_id, (mpv_handle * ctx), (ctx), 0)                                                          \
    X(mpv_handle*, mpv_create, (void), (), nullptr)                                                                  \
    X(int, mpv_initialize, (mpv_handle * ctx), (ctx), MPV_ERROR_UNINITIALIZED)                                       \
    X(void, mpv_destroy, (mpv_handle * ctx), (ctx), )                                                                \
    X(void, mpv_terminate_destroy, (mpv_handle * ctx), (ctx), )                                                      \
    X(mpv_handle*, mpv_create_client, (mpv_handle * ctx, const char* name), (ctx, name), nullptr)                    \
    X(mpv_handle*, mpv_create_weak_client, (mpv_handle * ctx, const char* name), (ctx, name), nullptr)               \
    X(int, mpv_load_config_file, (mpv_handle * ctx, const char* filename), (ctx, filename), MPV_ERROR_UNINITIALIZED) \
    X(int64_t, mpv_get_time_us, (mpv_handle * ctx), (ctx), 0)                                                        \
    X(void, mpv_free_node_contents, (mpv_node * node), (node), )                                                     \
    X(int, mpv_set_option, (mpv_handle * ctx, const char* name, mpv_format format, void* data),                      \
      (ctx, name, format, data), MPV_ERROR_UNINITIALIZED)                                                            \
    X(int, mpv_set_option_string, (mpv_handle * ctx, const char* name, const char* data), (ctx, name, data),        \
      MPV_ERROR_UNINITIALIZED)                                                                                       \
    X(int, mpv_command, (mpv_handle * ctx, const char** args), (ctx, args), MPV_ERROR_UNINITIALIZED)                 \
    X(int, mpv_command_node, (mpv_handle * ctx, mpv_node * args, mpv_node * result), (ctx, args, result),           \
      MPV_ERROR_UNINITIALIZED)                                                                                       \
    X(int, mpv_command_ret, (mpv_handle * ctx, const char** args, mpv_node* result), (ctx, args, result),           \
      MPV_ERROR_UNINITIALIZED)                                                                                       \
    X(int, mpv_command_string, (mpv_handle * ctx, const char* args), (ctx, args), MPV_ERROR_UNINITIALIZED)           \
    X(int, mpv_command_async, (mpv_handle * ctx, uint64_t reply_userdata, const char** args),                        \
      (ctx, reply_userdata, args), MPV_ERROR_UNINITIALIZED)                                                          \
    X(int, mpv_command_node_async, (mpv_handle * ctx, uint64_t reply_userdata, mpv_node * args),                     \
      (ctx, reply_userdata, args), MPV_ERROR_UNINITIALIZED)                                                          \
    X(void, mpv_abort_async_command, (mpv_handle * ctx, uint64_t reply_userdata), (ctx, reply_userdata), )           \
    X(int, mpv_set_property, (mpv_handle * ctx, const char* name, mpv_format format, void* data),                    \
      (ctx, name, format, data), MPV_ERROR_UNINITIALIZED)                                                            \
    X(int, mpv_set_property_string, (mpv_handle * ctx, const char* name, const char* data), (ctx, name, data),      \
      MPV_ERROR_UNINITIALIZED)                                                                                       \
    X(int, mpv_set_property_async,                                                                                   \
      (mpv_handle * ctx, uint64_t reply_userdata, const char* name, mpv_format format, void* data),                  \
      (ctx, reply_userdata, name, format, data), MPV_ERROR_UNINITIALIZED)                                            \
    X(int, mpv_get_property, (mpv_handle * ctx, const char* name, mpv_format format, void* data),                    \
      (ctx, name, format, data), MPV_ERROR_UNINITIALIZED)                                                            \
    X(char*, mpv_get_property_string, (mpv_handle * ctx, const char* name), (ctx, name), nullptr)                    \
    X(char*, mpv_get_property_osd_string, (mpv_handle * ctx, const char* name), (ctx, name), nullptr)                \
    X(int, mpv_get_property_async, (mpv_handle * ctx, uint64_t reply_userdata, const char* name, mpv_format format), \
      (ctx, reply_userdata, name, format), MPV_ERROR_UNINITIALIZED)                                                  \
    X(int, mpv_observe_property, (mpv_handle * mpv, uint64_t reply_userdata, const char* name, mpv_format format),   \
      (mpv, reply_userdata, name, format), MPV_ERROR_UNINITIALIZED)                                                  \
    X(int, mpv_unobserve_property, (mpv_handle * mpv, uint64_t registered_reply_userdata),                           \
      (mpv, registered_reply_userdata), MPV_ERROR_UNINITIALIZED)                                                     \
    X(const char*, mpv_event_name, (mpv_event_id event), (event), nullptr)                                           \
    X(int, mpv_event_to_node, (mpv_node * dst, mpv_event * src), (dst, src), MPV_ERROR_UNINITIALIZED)                \
    X(int, mpv_request_event, (mpv_handle * ctx, mpv_event_id event, int enable), (ctx, event, enable),              \
      MPV_ERROR_UNINITIALIZED)                                                                                       \
    X(int, mpv_request_log_messages, (mpv_handle * ctx, const char* min_level), (ctx, min_level),                    \
      MPV_ERROR_UNINITIALIZED)                                                                                       \
    X(mpv_event*, mpv_wait_event, (mpv_handle * ctx, double timeout), (ctx, timeout), shutdownEvent())              \
    X(void, mpv_wakeup, (mpv_handle * ctx), (ctx), )                                                                 \
    X(void, mpv_set_wakeup_callback, (mpv_handle * ctx, void (*cb)(void* d), void* d), (ctx, cb, d), )               \
    X(void, mpv_wait_async_requests, (mpv_handle * ctx), (ctx), )                                                    \
    X(int, mpv_hook_add, (mpv_handle * ctx, uint64_t reply_userdata, const char* name, int priority),                \
      (ctx, reply_userdata, name, priority), MPV_ERROR_UNINITIALIZED)                                                \
    X(int, mpv_hook_continue, (mpv_handle * ctx, uint64_t id), (ctx, id), MPV_ERROR_UNINITIALIZED)                   \
    X(int, mpv_render_context_create, (mpv_render_context * *res, mpv_handle * mpv, mpv_render_param * params),      \
      (res, mpv, params), MPV_ERROR_UNINITIALIZED)                                                                   \
    X(int, mpv_render_context_set_parameter, (mpv_render_context * ctx, mpv_render_param param), (ctx, param),      \
      MPV_ERROR_UNINITIALIZED)                                                                                       \
    X(int, mpv_render_context_get_info, (mpv_render_context * ctx, mpv_render_param param), (ctx, param),           \
      MPV_ERROR_UNINITIALIZED)                                                                                       \
    X(void, mpv_render_context_set_update_callback,                                                                  \
      (mpv_render_context * ctx, mpv_render_update_fn callback, void* callback_ctx), (ctx, callback, callback_ctx), ) \
    X(uint64_t, mpv_render_context_update, (mpv_render_context * ctx), (ctx), 0)                                     \
    X(int, mpv_render_context_render, (mpv_render_context * ctx, mpv_render_param * params), (ctx, params),         \
      MPV_ERROR_UNINITIALIZED)                                                                                       \
    X(void, mpv_render_context_report_swap, (mpv_render_context * ctx), (ctx), )                                     \
    X(void, mpv_render_context_free, (mpv_render_context * ctx), (ctx), )                                            \
    X(int, mpv_stream_cb_add_ro,                                                                                     \
      (mpv_handle * ctx, const char* protocol, void* user_data, mpv_stream_cb_open_ro_fn open_fn),                   \
      (ctx, protocol, user_data, open_fn), MPV_ERROR_UNINITIALIZED)                                                  \
    MPV_DEPRECATED_FUNCTIONS(X)

// What waiting on a handle gives without the library (no handle can exist
// then, so this is for completeness).
mpv_event* shutdownEvent()
{
    static mpv_event event{MPV_EVENT_SHUTDOWN, 0, 0, nullptr};
    return &event;
}

struct Library {
    MPV_FUNCTIONS(NORRAVA_LAZY_POINTER)
};

Library load()
{
    Library library;
    // The library's file name carries the major version of its API.
    const std::string versioned = "libmpv.so." + std::to_string(MPV_CLIENT_API_VERSION >> 16);
    void* handle = mci::openFirstLibrary({versioned.c_str(), "libmpv.so"});
    if (!handle)
        return library;
#define MPV_RESOLVE(ret, name, params, args, fallback)                                                               \
    library.name = reinterpret_cast<decltype(library.name)>(dlsym(handle, #name));
    MPV_FUNCTIONS(MPV_RESOLVE)
#undef MPV_RESOLVE
    return library;
}

// Loaded once, on the first call from any thread; never unloaded, since
// libmpv's threads may outlive any one user.
const Library& library()
{
    static const Library loaded = load();
    return loaded;
}

} // namespace

extern "C" {
MPV_FUNCTIONS(NORRAVA_LAZY_FORWARD)
}
