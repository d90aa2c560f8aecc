#include "app/EmbeddedImages.h"
#include "app/Pellam.h"
#include "device/UpdateState.h"

#include <gtest/gtest.h>

namespace zarvel
{
namespace
{

// Counts the requests to leave the message loop instead of leaving it.
class QuitCountingPellam : public Pellam
{
public:
    int quitRequests = 0;

protected:
    void requestQuit() override    { ++quitRequests; }
};

class PellamTest : public ::testing::Test
{
protected:
    ~PellamTest() override    { updateRunning = 0; }
};

TEST_F (PellamTest, NamesAndVersions)
{
    QuitCountingPellam application;

    EXPECT_EQ (application.getApplicationName(), "Zarvel Firmware Updater - Firmware Version: 1.31");
    EXPECT_EQ (application.getApplicationVersion(), "2.01");
    EXPECT_EQ (application.getFirmwareVersion(), "1.31");
    EXPECT_FALSE (application.moreThanOneInstanceAllowed());
}

TEST_F (PellamTest, InstanceAndMainWindow)
{
    {
        QuitCountingPellam application;
        EXPECT_EQ (Pellam::getInstance(), &application);
        EXPECT_EQ (juce::JUCEApplication::getInstance(), &application);
        EXPECT_EQ (application.getMainWindow(), nullptr);
    }

    EXPECT_EQ (Pellam::getInstance(), nullptr);
}

TEST_F (PellamTest, DestructionClearsTheImageRegistry)
{
    {
        QuitCountingPellam application;
        Pellam::registerImages();
        ASSERT_NE (findEmbeddedImage (backgroundImageId), nullptr);
    }

    EXPECT_EQ (findEmbeddedImage (backgroundImageId), nullptr);
    EXPECT_EQ (findEmbeddedImage (aboutImageId), nullptr);
}

TEST_F (PellamTest, QuitIsRefusedWhileAnUploadRunsAndNeverRepeated)
{
    QuitCountingPellam application;

    updateRunning = 1;
    application.quitIfIdle();
    application.quitIfIdle();
    EXPECT_EQ (application.quitRequests, 0);

    updateRunning = 0;
    application.quitIfIdle();
    EXPECT_EQ (application.quitRequests, 1);

    // Further presses of Finish while the quit is under way.
    application.quitIfIdle();
    application.quitIfIdle();
    EXPECT_EQ (application.quitRequests, 1);
}

TEST_F (PellamTest, QuitAsksJuceToLeaveItsMessageLoop)
{
    Pellam application;

    updateRunning = 1;
    application.quitIfIdle();
    EXPECT_FALSE (juce::MessageManager::getInstance()->hasStopMessageBeenSent());

    updateRunning = 0;
    application.quitIfIdle();
    EXPECT_TRUE (juce::MessageManager::getInstance()->hasStopMessageBeenSent());
}

} // namespace
} // namespace zarvel
