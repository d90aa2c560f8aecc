#include "app/Pellam.h"
#include "app/PellamWindow.h"
#include "device/USBAtmelDevice.h"
#include "device/UpdateState.h"
#include "tests/support/SimulatedMidiBus.h"
#include "tests/support/WizardTestSupport.h"

#include <gtest/gtest.h>

namespace zarvel
{
namespace
{

USBAtmelDevice& device()   { return *static_cast<USBAtmelDevice*> (getFlashDevice()); }

TEST (PellamStartupTest, InitialiseOpensTheWizardAndShutdownClosesIt)
{
    if (! test::hasDisplay())
        GTEST_SKIP() << "needs an X display";

    TestPellam app;
    ASSERT_EQ (app.getMainWindow(), nullptr);

    app.initialise ("--some --arguments");
    auto* window = app.getMainWindow();
    ASSERT_NE (window, nullptr);
    EXPECT_TRUE (window->isShowing());
    EXPECT_EQ (window->getStep(), 0);
    EXPECT_EQ (juce::Desktop::getInstance().getNumComponents(), 1);

    // Deleting the window asks the application to quit (the runner has left its loop by then).
    EXPECT_EQ (app.quitRequests, 0);
    app.shutdown();
    EXPECT_EQ (app.getMainWindow(), nullptr);
    EXPECT_EQ (juce::Desktop::getInstance().getNumComponents(), 0);
    EXPECT_EQ (app.quitRequests, 1);
}

TEST (PellamStartupTest, ShutdownWithoutInitialiseDoesNoHarm)
{
    // A second copy, refused the single-instance lock, is shut down like this.
    TestPellam app;
    app.shutdown();
    EXPECT_EQ (app.getMainWindow(), nullptr);
    EXPECT_EQ (juce::Desktop::getInstance().getNumComponents(), 0);
}

TEST (PellamStartupTest, QuitFromTheDesktopDuringAnUploadEndsTheUploadFirst)
{
    if (! test::hasDisplay())
        GTEST_SKIP() << "needs an X display";

    ZarvelUnitModel unit;
    SimulatedMidiBus bus { 1, 1 };
    bus.attachUnit (unit, 0, 0);
    device().usePorts (bus);

    {
        TestPellam app;
        app.initialise ({});
        auto* window = app.getMainWindow();

        for (int i = 0; i < 6; ++i)
            window->next();

        ASSERT_EQ (window->getStep(), 6);
        ASSERT_EQ (updateRunning, 1);
        ASSERT_TRUE (test::pumpUntil ([] { return updateProgress.load() > 0.05; }));

        // The desktop's quit does not wait for the outcome; the runner then shuts down.
        app.systemRequestedQuit();
        app.shutdown();

        EXPECT_EQ (app.getMainWindow(), nullptr);
        EXPECT_EQ (updateRunning, 0);
        EXPECT_FALSE (device().isOpen());

        const auto sent = bus.getSent().size();
        juce::Thread::sleep (200);
        EXPECT_EQ (bus.getSent().size(), sent);
    }

    // The worker's report, if queued, finds no window: nothing happens.
    juce::MessageManager::getInstance()->runDispatchLoopUntil (50);
    device().close (0);
}

} // namespace
} // namespace zarvel
