// GoogleTest first: Xlib's headers define None.
#include <gtest/gtest.h>

#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include <juce_gui_basics/juce_gui_basics.h>

#include "app/XEventQueueWatch.h"
#include "tests/support/GuiTestSupport.h"

namespace zarvel
{
namespace
{

// A window that counts its repaints.
class PaintCounter : public juce::Component
{
public:
    PaintCounter()
    {
        setSize (200, 100);
        setOpaque (true);
        addToDesktop (0);
        setVisible (true);
    }

    ~PaintCounter() override    { removeFromDesktop(); }

    void paint (juce::Graphics& g) override
    {
        g.fillAll (juce::Colours::grey);
        ++paints;
    }

    int paints = 0;
};

// An exposure of the whole window, sent from a connection of its own, as the
// server sends one when a box that covered the window goes; returns once the
// server has passed it on.
void sendExpose (::Window window)
{
    auto* other = XOpenDisplay (nullptr);
    ASSERT_NE (other, nullptr);

    XEvent event {};
    event.xexpose.type = Expose;
    event.xexpose.window = window;
    event.xexpose.width = 200;
    event.xexpose.height = 100;

    XSendEvent (other, window, False, ExposureMask, &event);
    XSync (other, False);
    XCloseDisplay (other);
    juce::Thread::sleep (100);
}

TEST (XEventQueueWatchTest, AnEventReadInByARoundTripIsHandledAtOnceAndASecondWatchChangesNothing)
{
    if (! test::hasDisplay())
        GTEST_SKIP() << "needs an X display";

    const XEventQueueWatch watch;

    // Further watches, one gone and one alive, must leave the first to do its work.
    std::make_unique<XEventQueueWatch>().reset();
    const XEventQueueWatch second;

    PaintCounter window;
    ASSERT_TRUE (test::pumpUntil ([&] { return window.paints > 0; }, 5000));
    test::pumpFor (500);
    const auto paintsBefore = window.paints;

    sendExpose ((::Window) window.getPeer()->getNativeHandle());

    // A round trip on the program's connection moves the event off the socket
    // into Xlib's queue, where the message loop's poll() cannot see it.
    auto* display = juce::XWindowSystem::getInstance()->getDisplay();
    XSync (display, False);

    EXPECT_TRUE (test::pumpUntil ([&] { return window.paints > paintsBefore; }, 3000));
}

} // namespace
} // namespace zarvel
