#include "app/FWUpdaterThread.h"
#include "device/FirmwareImage.h"
#include "device/USBAtmelDevice.h"
#include "device/UpdateState.h"
#include "tests/support/SimulatedMidiBus.h"
#include "tests/support/WizardTestSupport.h"

#include <gtest/gtest.h>

namespace zarvel
{
namespace
{

/** The main window, reduced to taking note of the outcomes it receives. */
class OutcomeRecorder : public PellamWindow
{
public:
    std::vector<int> outcomes;

    void handleCommandMessage (int commandId) override   { outcomes.push_back (commandId); }
};

class FWUpdaterThreadTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (! test::hasDisplay())
            GTEST_SKIP() << "needs an X display";

        bus.attachUnit (unit, 0, 0);
        device().usePorts (bus);
        ASSERT_TRUE (device().open (0));

        app.makeWindow = [] { return std::make_unique<OutcomeRecorder>(); };
        app.initialise ({});
        window = dynamic_cast<OutcomeRecorder*> (app.getMainWindow());
        ASSERT_NE (window, nullptr);
        updateProgress = 0.0;
    }

    void TearDown() override
    {
        worker.reset();
        app.shutdown();
        device().close (0);
    }

    static USBAtmelDevice& device()   { return *static_cast<USBAtmelDevice*> (getFlashDevice()); }

    std::vector<int> waitForOutcome()
    {
        EXPECT_TRUE (test::pumpUntil ([&] { return ! window->outcomes.empty(); }));
        test::pumpFor (200); // a second report would have arrived by now
        return window->outcomes;
    }

    bool flashHoldsImage()
    {
        bus.waitUntilIdle();
        return std::equal (firmwareImage, firmwareImage + firmwareImageSize, unit.getFlash().begin());
    }

    ZarvelUnitModel unit;
    SimulatedMidiBus bus { 1, 1 };
    TestPellam app;
    OutcomeRecorder* window = nullptr;
    std::unique_ptr<FWUpdaterThread> worker = std::make_unique<FWUpdaterThread>();
};

TEST_F (FWUpdaterThreadTest, PostsSuccessOnceAfterAWholeUpload)
{
    worker->startThread();

    EXPECT_EQ (waitForOutcome(), std::vector<int> { updateSucceededCommandId });
    EXPECT_TRUE (flashHoldsImage());
    EXPECT_EQ (unit.getNumPageWrites(), 194);
}

TEST_F (FWUpdaterThreadTest, PostsFailureOnceWhenTheUnitStopsAcknowledging)
{
    unit.injectFault ('C', 500, ZarvelUnitModel::Fault::refuse);
    worker->startThread();

    EXPECT_EQ (waitForOutcome(), std::vector<int> { updateFailedCommandId });
    EXPECT_FALSE (flashHoldsImage());
}

TEST_F (FWUpdaterThreadTest, StopRequestDuringTheUploadPostsFailure)
{
    worker->startThread();
    ASSERT_TRUE (test::pumpUntil ([] { return updateProgress.load() > 0.1; }));
    worker->signalThreadShouldExit();

    EXPECT_EQ (waitForOutcome(), std::vector<int> { updateFailedCommandId });
    EXPECT_FALSE (flashHoldsImage());
}

TEST_F (FWUpdaterThreadTest, DeletingARunningWorkerWaitsForIt)
{
    worker->startThread();
    ASSERT_TRUE (test::pumpUntil ([] { return updateProgress.load() > 0.1; }));

    worker.reset();

    // The upload has ended for good: nothing more goes to the unit.
    const auto sentAtDeletion = bus.getSent().size();
    juce::Thread::sleep (200);
    EXPECT_EQ (bus.getSent().size(), sentAtDeletion);
    EXPECT_LT (sentAtDeletion, (size_t) firmwareImageSize);

    // Its one report was queued before it ended.
    EXPECT_EQ (waitForOutcome(), std::vector<int> { updateFailedCommandId });
}

} // namespace
} // namespace zarvel
