// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <mpv/client.h>
#include <mpv/render_gl.h>

/**
 * libmpv's functions, loaded with the library on first use rather than at start-up: libmpv pulls in some two
 * hundred libraries, which would slow every start of a program that mostly waits in the notification area.
 */
struct MpvLibrary
{
    decltype(&::mpv_create) create;
    decltype(&::mpv_initialize) initialize;
    decltype(&::mpv_terminate_destroy) terminate_destroy;
    decltype(&::mpv_set_option_string) set_option_string;
    decltype(&::mpv_request_log_messages) request_log_messages;
    decltype(&::mpv_observe_property) observe_property;
    decltype(&::mpv_error_string) error_string;
    decltype(&::mpv_set_wakeup_callback) set_wakeup_callback;
    decltype(&::mpv_wait_event) wait_event;
    decltype(&::mpv_command_async) command_async;
    decltype(&::mpv_set_property_async) set_property_async;
    decltype(&::mpv_get_property_async) get_property_async;
    decltype(&::mpv_get_property) get_property;
    decltype(&::mpv_hook_add) hook_add;
    decltype(&::mpv_hook_continue) hook_continue;
    decltype(&::mpv_render_context_create) render_context_create;
    decltype(&::mpv_render_context_set_update_callback) render_context_set_update_callback;
    decltype(&::mpv_render_context_update) render_context_update;
    decltype(&::mpv_render_context_render) render_context_render;
    decltype(&::mpv_render_context_report_swap) render_context_report_swap;
    decltype(&::mpv_render_context_free) render_context_free;

    /** The functions, loaded on the first call; nullptr when libmpv cannot be loaded. */
    static const MpvLibrary* get();
};
