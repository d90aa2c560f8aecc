#pragma once

#include <juce_core/juce_core.h>

namespace zarvel
{

/** Keeps X events from waiting in Xlib's queue for a later one.

    JUCE's message loop sleeps in poll() on the X connection's socket. But Xlib
    reads that socket whenever a call waits for a reply (a new window's sync, an
    open menu's pointer query) and keeps the events it finds in a queue of its own,
    where poll() cannot see them: a right button's release then waits for the
    pointer's next move, a window's repaint for any input at all.

    While this object lives, every event that Xlib takes into that queue, by
    whatever call, wakes the loop, which hands the queue to JUCE's own X event
    handling. Without an X display, or while another watch lives, it does nothing.
*/
class XEventQueueWatch
{
public:
    XEventQueueWatch();
    ~XEventQueueWatch();

private:
    void dispatchQueuedEvents();

    void* display = nullptr; // Xlib's Display, kept out of this header
    int connectionFd = -1;
    int wakeFd = -1;

    JUCE_DECLARE_NON_COPYABLE (XEventQueueWatch)
};

} // namespace zarvel
