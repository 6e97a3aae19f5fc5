// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/X11LockRequests.h"

#include <QGuiApplication>
#include <QSocketNotifier>

// Xlib last: its macros clash with Qt's names.
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/record.h>

namespace {

struct DisplayCloser
{
    void operator()(Display* display) const
    {
        XCloseDisplay(display);
    }
};
using DisplayHandle = std::unique_ptr<Display, DisplayCloser>;

} // namespace

// RECORD wants two connections: one that sets the recording up and tears it down, and one whose replies bring what
// is recorded, read whenever the event loop finds them there.
struct X11LockRequests::Recording
{
    X11LockRequests* watcher = nullptr;
    DisplayHandle control;
    DisplayHandle data;
    XRecordContext context = 0;
    // xscreensaver's commands are client messages of type SCREENSAVER to its window, the command's atom first.
    Atom screensaver = None;
    Atom lock = None;
    std::unique_ptr<QSocketNotifier> notifier;

    ~Recording()
    {
        notifier.reset();
        if (context) {
            XRecordDisableContext(control.get(), context);
            XRecordFreeContext(control.get(), context);
            XSync(control.get(), False);
        }
    }

    // Each piece recorded: a SendEvent request of some program.
    static void recorded(XPointer closure, XRecordInterceptData* intercepted)
    {
        const auto* recording = reinterpret_cast<const Recording*>(closure);
        const auto* request = reinterpret_cast<const xSendEventReq*>(intercepted->data);
        if (intercepted->category == XRecordFromClient && intercepted->data_len * 4 >= sizeof(xSendEventReq) &&
            request->reqType == X_SendEvent && (request->event.u.u.type & 0x7f) == ClientMessage &&
            request->event.u.u.detail == 32 && request->event.u.clientMessage.u.l.type == recording->screensaver &&
            static_cast<Atom>(request->event.u.clientMessage.u.l.longs0) == recording->lock) {
            // Queued: the recording may not end while its replies are being read.
            QMetaObject::invokeMethod(recording->watcher, &X11LockRequests::lockRequested, Qt::QueuedConnection);
        }
        XRecordFreeData(intercepted);
    }
};

X11LockRequests::X11LockRequests(QObject* parent)
    : QObject(parent)
{}

X11LockRequests::~X11LockRequests() = default;

void X11LockRequests::setWatching(bool watching)
{
    if (!watching) {
        m_recording.reset();
    } else if (!m_recording) {
        m_recording = record(this);
        readRecorded();
    }
}

std::unique_ptr<X11LockRequests::Recording> X11LockRequests::record(X11LockRequests* watcher)
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->display()) {
        return nullptr;
    }
    const char* name = DisplayString(x11->display());
    auto recording = std::make_unique<Recording>();
    recording->watcher = watcher;
    recording->control.reset(XOpenDisplay(name));
    recording->data.reset(XOpenDisplay(name));
    int major = 0;
    int minor = 0;
    if (!recording->control || !recording->data || !XRecordQueryVersion(recording->control.get(), &major, &minor)) {
        return nullptr;
    }
    Display* control = recording->control.get();
    recording->screensaver = XInternAtom(control, "SCREENSAVER", False);
    recording->lock = XInternAtom(control, "LOCK", False);

    XRecordRange* range = XRecordAllocRange();
    if (!range) {
        return nullptr;
    }
    range->core_requests.first = X_SendEvent;
    range->core_requests.last = X_SendEvent;
    XRecordClientSpec clients = XRecordAllClients;
    recording->context = XRecordCreateContext(control, 0, &clients, 1, &range, 1);
    XFree(range);
    // The context must exist on the server before the other connection enables it.
    XSync(control, False);
    if (!recording->context || !XRecordEnableContextAsync(recording->data.get(),
                                                          recording->context,
                                                          &Recording::recorded,
                                                          reinterpret_cast<XPointer>(recording.get()))) {
        return nullptr;
    }
    recording->notifier =
        std::make_unique<QSocketNotifier>(ConnectionNumber(recording->data.get()), QSocketNotifier::Read);
    connect(recording->notifier.get(), &QSocketNotifier::activated, watcher, &X11LockRequests::readRecorded);
    return recording;
}

void X11LockRequests::readRecorded()
{
    if (m_recording) {
        XRecordProcessReplies(m_recording->data.get());
    }
}
