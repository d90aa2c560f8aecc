#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include <juce_gui_basics/juce_gui_basics.h>
#include <juce_events/native/juce_linux_EventLoopInternal.h>

#include "app/XEventQueueWatch.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <atomic>

// After JUCE's headers: this one is for code that hooks into Xlib, and defines much.
#include <X11/Xlibint.h>

namespace zarvel
{

namespace
{
    using WireToEvent = Bool (*) (::Display*, XEvent*, xEvent*);

    // Xlib's converters are plain functions, called with the display locked, on
    // whichever thread reads the socket: what they need is kept here, for the one
    // watch there is, and they call nothing of Xlib's.
    std::atomic<int> activeWakeFd { -1 };
    std::atomic<bool> wakePending { false };
    std::array<WireToEvent, 128> xlibConverters {};

    void wake (int fd)
    {
        if (! wakePending.exchange (true))
        {
            const uint64_t one = 1;
            [[maybe_unused]] const auto written = ::write (fd, &one, sizeof (one));
        }
    }

    // Xlib turns every event it takes off the wire into its queue through the
    // converter of the event's type: the one place that sees them all, whichever
    // call read them.
    Bool convertAndWake (::Display* display, XEvent* event, xEvent* wire)
    {
        const auto queued = xlibConverters[(size_t) (wire->u.u.type & 0x7f)] (display, event, wire);
        const auto fd = activeWakeFd.load();

        if (queued && fd >= 0)
            wake (fd);

        return queued;
    }

    // Types 0 and 1 are errors and replies; from 2 on the core events, and any
    // an extension has registered by now.
    constexpr int firstEventType = 2;
}

XEventQueueWatch::XEventQueueWatch()
{
    auto* xDisplay = juce::XWindowSystem::getInstance()->getDisplay();

    if (xDisplay == nullptr)
        return;

    // One at a time: a second would keep the first's converter as Xlib's, and the
    // first event would have it call itself until the stack ran out.
    if (activeWakeFd.load() >= 0)
    {
        jassertfalse;
        return;
    }

    wakeFd = ::eventfd (0, EFD_NONBLOCK | EFD_CLOEXEC);

    if (wakeFd < 0)
        return;

    display = xDisplay;
    connectionFd = XConnectionNumber (xDisplay);

    juce::LinuxEventLoop::registerFdCallback (wakeFd, [this] (int) { dispatchQueuedEvents(); });
    activeWakeFd = wakeFd;

    XLockDisplay (xDisplay);

    for (int type = firstEventType; type < (int) xlibConverters.size(); ++type)
        xlibConverters[(size_t) type] = XESetWireToEvent (xDisplay, type, convertAndWake);

    // And whatever Xlib holds already.
    if (XEventsQueued (xDisplay, QueuedAlready) > 0)
        wake (wakeFd);

    XUnlockDisplay (xDisplay);
}

XEventQueueWatch::~XEventQueueWatch()
{
    if (display == nullptr)
        return;

    auto* xDisplay = static_cast<::Display*> (display);
    XLockDisplay (xDisplay);

    // Put back Xlib's converters, but not over one that an extension set since.
    for (int type = firstEventType; type < (int) xlibConverters.size(); ++type)
    {
        const auto current = XESetWireToEvent (xDisplay, type, xlibConverters[(size_t) type]);

        if (current != convertAndWake)
            XESetWireToEvent (xDisplay, type, current);
    }

    XUnlockDisplay (xDisplay);

    activeWakeFd = -1;
    juce::LinuxEventLoop::unregisterFdCallback (wakeFd);
    ::close (wakeFd);
    wakePending = false;
}

void XEventQueueWatch::dispatchQueuedEvents()
{
    uint64_t count = 0;
    [[maybe_unused]] const auto read = ::read (wakeFd, &count, sizeof (count));

    // Cleared first: an event read in while these are handled wakes the loop again.
    wakePending = false;

    juce::LinuxEventLoopInternal::invokeEventLoopCallbackForFd (connectionFd);
}

} // namespace zarvel
