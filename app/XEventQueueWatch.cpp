#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include <juce_gui_basics/juce_gui_basics.h>
#include <juce_events/native/juce_linux_EventLoopInternal.h>

#include "app/XEventQueueWatch.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>

namespace zarvel
{

namespace
{
    // Xlib's after-function is a plain function: what it needs is kept here, for
    // the one watch there is. Xlib may call it on any thread that makes a request.
    std::atomic<int> activeWakeFd { -1 };
    std::atomic<bool> wakePending { false };
    int (*previousAfterFunction) (::Display*) = nullptr;

    int afterRequest (::Display* display)
    {
        const auto fd = activeWakeFd.load();

        if (fd >= 0 && XEventsQueued (display, QueuedAlready) > 0 && ! wakePending.exchange (true))
        {
            const uint64_t one = 1;
            [[maybe_unused]] const auto written = ::write (fd, &one, sizeof (one));
        }

        return previousAfterFunction != nullptr ? previousAfterFunction (display) : 0;
    }
}

XEventQueueWatch::XEventQueueWatch()
{
    auto* xDisplay = juce::XWindowSystem::getInstance()->getDisplay();

    if (xDisplay == nullptr)
        return;

    jassert (activeWakeFd.load() < 0); // one watch at a time

    wakeFd = ::eventfd (0, EFD_NONBLOCK | EFD_CLOEXEC);

    if (wakeFd < 0)
        return;

    display = xDisplay;
    connectionFd = XConnectionNumber (xDisplay);

    juce::LinuxEventLoop::registerFdCallback (wakeFd, [this] (int) { dispatchQueuedEvents(); });

    activeWakeFd = wakeFd;
    previousAfterFunction = XSetAfterFunction (xDisplay, afterRequest);

    // Whatever Xlib holds already.
    afterRequest (xDisplay);
}

XEventQueueWatch::~XEventQueueWatch()
{
    if (display == nullptr)
        return;

    XSetAfterFunction (static_cast<::Display*> (display), previousAfterFunction);
    previousAfterFunction = nullptr;
    activeWakeFd = -1;

    juce::LinuxEventLoop::unregisterFdCallback (wakeFd);
    ::close (wakeFd);
    wakePending = false;
}

void XEventQueueWatch::dispatchQueuedEvents()
{
    uint64_t count = 0;
    [[maybe_unused]] const auto read = ::read (wakeFd, &count, sizeof (count));

    // Cleared first: an event that a request reads in while these are handled
    // wakes the loop again.
    wakePending = false;

    juce::LinuxEventLoopInternal::invokeEventLoopCallbackForFd (connectionFd);
}

} // namespace zarvel
