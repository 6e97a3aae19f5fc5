// SPDX-License-Identifier: GPL-3.0-or-later
#include "showing/video/MpvLibrary.h"

#include <QLibrary>
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcPlayer)

namespace {

// The library's major version follows the major version of its client interface.
constexpr int libraryVersion = MPV_CLIENT_API_VERSION >> 16;

template <typename Function> bool resolve(QLibrary& library, Function& function, const char* name)
{
    function = reinterpret_cast<Function>(library.resolve(name));
    if (!function) {
        qCWarning(lcPlayer) << "libmpv lacks" << name;
    }
    return function != nullptr;
}

const MpvLibrary* load()
{
    // Never unloaded: mpv's threads may run until the process ends.
    static QLibrary library(QStringLiteral("mpv"), libraryVersion);
    if (!library.load()) {
        qCWarning(lcPlayer).noquote() << "libmpv could not be loaded:" << library.errorString();
        return nullptr;
    }
    static MpvLibrary mpv;
    const bool complete =
        resolve(library, mpv.create, "mpv_create") && resolve(library, mpv.initialize, "mpv_initialize") &&
        resolve(library, mpv.terminate_destroy, "mpv_terminate_destroy") &&
        resolve(library, mpv.set_option_string, "mpv_set_option_string") &&
        resolve(library, mpv.request_log_messages, "mpv_request_log_messages") &&
        resolve(library, mpv.observe_property, "mpv_observe_property") &&
        resolve(library, mpv.error_string, "mpv_error_string") &&
        resolve(library, mpv.set_wakeup_callback, "mpv_set_wakeup_callback") &&
        resolve(library, mpv.wait_event, "mpv_wait_event") &&
        resolve(library, mpv.command_async, "mpv_command_async") &&
        resolve(library, mpv.set_property_async, "mpv_set_property_async") &&
        resolve(library, mpv.get_property_async, "mpv_get_property_async") &&
        resolve(library, mpv.get_property, "mpv_get_property") && resolve(library, mpv.hook_add, "mpv_hook_add") &&
        resolve(library, mpv.hook_continue, "mpv_hook_continue") &&
        resolve(library, mpv.render_context_create, "mpv_render_context_create") &&
        resolve(library, mpv.render_context_set_update_callback, "mpv_render_context_set_update_callback") &&
        resolve(library, mpv.render_context_update, "mpv_render_context_update") &&
        resolve(library, mpv.render_context_render, "mpv_render_context_render") &&
        resolve(library, mpv.render_context_report_swap, "mpv_render_context_report_swap") &&
        resolve(library, mpv.render_context_free, "mpv_render_context_free");
    return complete ? &mpv : nullptr;
}

} // namespace

const MpvLibrary* MpvLibrary::get()
{
    static const MpvLibrary* const library = load();
    return library;
}
