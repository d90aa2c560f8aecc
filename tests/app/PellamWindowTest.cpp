#include "app/PellamWindow.h"
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

const juce::String unitNotFoundBox = "Error. Could not find Zarvel control surface. Check the cables to ensure it is properly connected and press Next to try again.";
const juce::String transferFailedBox = "Error. An error occured during the file transfer. Please try again or contact Ombrix technical support.";

/** The wizard with a watch on the workers it makes. */
class WatchedWindow : public PellamWindow
{
public:
    int workersMade = 0;
    std::vector<int> updateRunningAtWorker;
    std::vector<double> progressAtWorker;
    std::vector<bool> barShownAtWorker, buttonsShownAtWorker;

protected:
    std::unique_ptr<FWUpdaterThread> createUpdaterThread() override
    {
        ++workersMade;
        updateRunningAtWorker.push_back (updateRunning);
        progressAtWorker.push_back (updateProgress.load());

        auto& content = *getContentComponent();
        barShownAtWorker.push_back (content.getChildComponent (2)->isVisible());
        buttonsShownAtWorker.push_back (content.getChildComponent (0)->isVisible()
                                         || content.getChildComponent (1)->isVisible());
        return PellamWindow::createUpdaterThread();
    }
};

class PellamWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (! test::hasDisplay())
            GTEST_SKIP() << "needs an X display";

        unitBus.attachUnit (unit, 0, 0);
        device().usePorts (noUnitBus);
        updateRunning = 0;

        app.makeWindow = [] { return std::make_unique<WatchedWindow>(); };
        app.initialise ({});
        window = dynamic_cast<WatchedWindow*> (app.getMainWindow());
        ASSERT_NE (window, nullptr);
    }

    void TearDown() override
    {
        app.shutdown();
        device().close (0);
    }

    static USBAtmelDevice& device()   { return *static_cast<USBAtmelDevice*> (getFlashDevice()); }

    juce::Component& content()      { return *window->getContentComponent(); }
    juce::TextButton& nextButton()  { return *dynamic_cast<juce::TextButton*> (content().getChildComponent (0)); }
    juce::TextButton& previousButton()  { return *dynamic_cast<juce::TextButton*> (content().getChildComponent (1)); }
    juce::Component& progressBar()  { return *content().getChildComponent (2); }
    juce::Label& textLabel()        { return *dynamic_cast<juce::Label*> (content().getChildComponent (3)); }
    juce::Label& titleLabel()       { return *dynamic_cast<juce::Label*> (content().getChildComponent (4)); }

    /** Clicks a button and waits until the wizard has moved or a box was shown. */
    void click (juce::Button& button)
    {
        const auto stepBefore = window->getStep();
        const auto boxesBefore = boxes.boxes.size();
        button.triggerClick();
        ASSERT_TRUE (test::pumpUntil ([&] { return window->getStep() != stepBefore || boxes.boxes.size() != boxesBefore; }));
    }

    void expectPage (int step)
    {
        EXPECT_EQ (window->getStep(), step);
        EXPECT_EQ (textLabel().getText(), juce::String (PellamWindow::stepTexts[step]));
        EXPECT_EQ (titleLabel().getText(), juce::String (PellamWindow::stepTitles[step]));
    }

    void walkFromStartToUnitFound()
    {
        ASSERT_EQ (window->getStep(), 0);

        if (! device().isOpen())
            device().usePorts (unitBus);

        for (int step = 1; step <= 5; ++step)
        {
            click (nextButton());
            expectPage (step);
        }

        ASSERT_TRUE (device().isOpen());
    }

    bool flashHoldsImage()
    {
        unitBus.waitUntilIdle();
        const auto& flash = unit.getFlash();
        return std::equal (firmwareImage, firmwareImage + firmwareImageSize, flash.begin());
    }

    SimulatedMidiBus noUnitBus { 0, 0 };
    ZarvelUnitModel unit;
    SimulatedMidiBus unitBus { 1, 1 };
    TestPellam app;
    WatchedWindow* window = nullptr;
    ModalBoxDismisser boxes;
};

//==============================================================================
TEST_F (PellamWindowTest, OpensAtItsSizeWithTheBackgroundAsContent)
{
    EXPECT_EQ (window->getName(), app.getApplicationName());
    EXPECT_EQ (window->getWidth(), 555);
    EXPECT_EQ (window->getHeight(), 404);
    EXPECT_TRUE (window->isVisible());
    EXPECT_TRUE (window->isOnDesktop());
    EXPECT_FALSE (window->isResizable());

    const auto screen = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay()->userArea;
    EXPECT_LE (std::abs (window->getScreenBounds().getCentreX() - screen.getCentreX()), 1);
    EXPECT_LE (std::abs (window->getScreenBounds().getCentreY() - screen.getCentreY()), 1);

    EXPECT_EQ (content().getName(), "bkgImg");
    EXPECT_EQ (content().getBounds(), juce::Rectangle<int> (3, 31, 549, 370));
}

TEST_F (PellamWindowTest, ShowsStepZeroWithThreeOfItsFiveControls)
{
    ASSERT_EQ (content().getNumChildComponents(), 5);

    // From back to front.
    EXPECT_EQ (nextButton().getName(), "Next");
    EXPECT_EQ (previousButton().getName(), "Previous");
    EXPECT_EQ (progressBar().getName(), "_progressbar_");
    EXPECT_EQ (textLabel().getName(), "");
    EXPECT_EQ (titleLabel().getName(), "lblStep");

    EXPECT_EQ (nextButton().getBounds(), juce::Rectangle<int> (420, 325, 100, 24));
    EXPECT_EQ (previousButton().getBounds(), juce::Rectangle<int> (320, 325, 100, 24));
    EXPECT_EQ (progressBar().getBounds(), juce::Rectangle<int> (0, 180, 549, 25));
    EXPECT_EQ (textLabel().getBounds(), juce::Rectangle<int> (100, 210, 420, 110));
    EXPECT_EQ (titleLabel().getBounds(), juce::Rectangle<int> (40, 213, 80, 16));

    int visible = 0;
    for (auto* child : content().getChildren())
        visible += child->isVisible() ? 1 : 0;

    EXPECT_EQ (visible, 3);
    EXPECT_TRUE (nextButton().isVisible());
    EXPECT_TRUE (textLabel().isVisible());
    EXPECT_TRUE (titleLabel().isVisible());

    EXPECT_EQ (nextButton().getButtonText(), "Next");
    expectPage (0);
    EXPECT_EQ (titleLabel().getText(), "");
    EXPECT_EQ (updateProgress.load(), 0.0);

    // No search at construction: nothing was sent and the link stayed closed.
    EXPECT_TRUE (unitBus.getSent().empty());
    EXPECT_FALSE (device().isOpen());
}

TEST_F (PellamWindowTest, ControlsCarryTheirLook)
{
    for (auto* button : { &nextButton(), &previousButton() })
    {
        EXPECT_EQ (button->findColour (juce::TextButton::textColourOffId), juce::Colour (0xff000000));
        EXPECT_EQ (button->findColour (juce::TextButton::buttonColourId), juce::Colour (0xffd3d3d3));
        EXPECT_EQ (button->findColour (juce::ComboBox::outlineColourId), juce::Colour (0xff555555));
    }

    EXPECT_EQ (nextButton().getTooltip(), "Continue to the next step...");
    EXPECT_EQ (previousButton().getTooltip(), "Go back a step...");

    for (auto* label : { &textLabel(), &titleLabel() })
    {
        EXPECT_EQ (label->getFont().getHeight(), 18.0f);
        EXPECT_EQ (label->getFont().getStyleFlags(), (int) juce::Font::plain);
        EXPECT_EQ (label->findColour (juce::Label::textColourId), juce::Colour (0xfffaebd7));
        EXPECT_EQ (label->findColour (juce::Label::backgroundColourId).getAlpha(), 0);
        EXPECT_EQ (label->findColour (juce::Label::outlineColourId).getAlpha(), 0);
        EXPECT_FALSE (label->isEditable());
    }

    EXPECT_EQ (textLabel().getJustificationType(), juce::Justification (juce::Justification::topLeft));
    EXPECT_EQ (titleLabel().getJustificationType(), juce::Justification (juce::Justification::centredLeft));
    EXPECT_EQ (window->findColour (juce::DialogWindow::backgroundColourId), juce::Colour (0xff808080));
}

TEST_F (PellamWindowTest, EscapeDoesNotCloseTheWindow)
{
    static_cast<juce::Component*> (window)->keyPressed (juce::KeyPress (juce::KeyPress::escapeKey));
    test::pumpFor (50);

    EXPECT_TRUE (window->isVisible());
    EXPECT_FALSE (app.quitWasRequested());
}

TEST_F (PellamWindowTest, StepTablesAreTheWizardsPages)
{
    EXPECT_STREQ (PellamWindow::stepTitles[0], "");
    EXPECT_STREQ (PellamWindow::stepTitles[4], "Step 4.");
    EXPECT_STREQ (PellamWindow::stepTexts[0], "Welcome to the Zarvel firmware updater application.\nThis software will update your control surface firmware. \n\nPress Next to begin the upgrade process.");
    EXPECT_STREQ (PellamWindow::stepTexts[3], "While holding down the POWER button, plug in the DC POWER connector.\nRelease the POWER button - it should now be flashing rapidly.  If it is not, please repeat steps 2 and 3.");
    EXPECT_STREQ (PellamWindow::stepTexts[4], "Plug the USB cable to both your computer and the Zarvel.  Please allow a few seconds for your Macintosh to recognize the Zarvel before pushing the \"Next\" button. There may be a short delay when \"Next\" is pressed.");
    EXPECT_STREQ (PellamWindow::stepTexts[5], "The Zarvel was found and is ready to be updated.  To download new firmware into your Zarvel,  press Next.");
    EXPECT_STREQ (PellamWindow::stepTexts[6], "Updating Zarvel Firmware.  Please wait...");
    EXPECT_STREQ (PellamWindow::stepTexts[7], "Update Complete.  Unplug the DC POWER again, wait 30 seconds, and plug it back in. Your Zarvel is now upgraded and ready to use.");
    EXPECT_EQ (window->getNumSteps(), 8);
}

//==============================================================================
TEST_F (PellamWindowTest, WalksThroughEveryStepAndUploads)
{
    click (nextButton());
    expectPage (1);
    EXPECT_TRUE (previousButton().isVisible());
    EXPECT_EQ (previousButton().getButtonText(), "Previous");

    click (previousButton());
    expectPage (0);
    EXPECT_EQ (titleLabel().getText(), "");
    EXPECT_FALSE (previousButton().isVisible());

    for (int step = 1; step <= 4; ++step)
    {
        click (nextButton());
        expectPage (step);
        EXPECT_TRUE (nextButton().isVisible());
        EXPECT_TRUE (previousButton().isVisible());
        EXPECT_FALSE (progressBar().isVisible());
    }

    // No unit: the box, and the wizard stays; Next searches again.
    click (nextButton());
    ASSERT_EQ (boxes.boxes.size(), 1u);
    EXPECT_EQ (boxes.boxes[0].title, "Error");
    EXPECT_EQ (boxes.boxes[0].description, unitNotFoundBox);
    expectPage (4);
    EXPECT_TRUE (nextButton().isVisible());
    EXPECT_TRUE (previousButton().isVisible());

    click (nextButton());
    EXPECT_EQ (boxes.boxes.size(), 2u);
    expectPage (4);

    device().usePorts (unitBus);
    click (nextButton());
    expectPage (5);
    EXPECT_EQ (boxes.boxes.size(), 2u);
    EXPECT_TRUE (device().isOpen());

    updateProgress = 0.75;
    click (nextButton());
    expectPage (6);
    ASSERT_EQ (window->workersMade, 1);
    EXPECT_EQ (window->updateRunningAtWorker[0], 1);
    EXPECT_EQ (window->progressAtWorker[0], 0.0);
    EXPECT_TRUE (window->barShownAtWorker[0]);
    EXPECT_FALSE (window->buttonsShownAtWorker[0]);

    // While the upload runs, every way out the wizard offers is refused.
    ASSERT_TRUE (test::pumpUntil ([] { return updateProgress.load() > 0.1; }));
    ASSERT_EQ (updateRunning, 1);
    window->closeButtonPressed();
    app.quitIfIdle();
    EXPECT_FALSE (app.quitWasRequested());
    EXPECT_TRUE (device().isOpen());

    // Clicks still queued from before the upload started change nothing either.
    window->actionListenerCallback (nextButtonName);
    window->actionListenerCallback (previousButtonName);
    EXPECT_EQ (window->getStep(), 6);
    EXPECT_EQ (window->workersMade, 1);

    ASSERT_TRUE (test::pumpUntil ([&] { return window->getStep() == 7; }));
    expectPage (7);
    EXPECT_EQ (nextButton().getButtonText(), "Finish");
    EXPECT_TRUE (nextButton().isVisible());
    EXPECT_FALSE (previousButton().isVisible());
    EXPECT_FALSE (progressBar().isVisible());
    EXPECT_EQ (updateRunning, 0);
    EXPECT_TRUE (boxes.boxes.size() == 2u);
    EXPECT_TRUE (flashHoldsImage());

    // "Finish" still sends "Next": it closes the link and quits.
    nextButton().triggerClick();
    ASSERT_TRUE (test::pumpUntil ([&] { return app.quitWasRequested(); }));
    EXPECT_EQ (window->getStep(), 8);
    EXPECT_FALSE (device().isOpen());
}

TEST_F (PellamWindowTest, FailedUploadShowsTheBoxThenStartsAgain)
{
    unit.injectFault ('c', 3000, ZarvelUnitModel::Fault::noReply);
    walkFromStartToUnitFound();

    struct Moment { int step; bool barShown, buttonShown; int running; };
    std::vector<Moment> atBox;
    boxes.onBox = [&]
    {
        atBox.push_back ({ window->getStep(), progressBar().isVisible(),
                           nextButton().isVisible() || previousButton().isVisible(), updateRunning });
    };

    click (nextButton());
    expectPage (6);

    // The unit keeps silent for a second: the close button, clicked meanwhile, does nothing.
    ASSERT_TRUE (test::pumpUntil ([] { return updateProgress.load() > 0.05; }));
    window->getCloseButton()->triggerClick();
    test::pumpFor (100);
    EXPECT_FALSE (app.quitWasRequested());

    ASSERT_TRUE (test::pumpUntil ([&] { return window->getStep() == 0; }));
    ASSERT_EQ (boxes.boxes.size(), 1u);
    EXPECT_EQ (boxes.boxes[0].title, "Error");
    EXPECT_EQ (boxes.boxes[0].description, transferFailedBox);
    ASSERT_EQ (atBox.size(), 1u);
    EXPECT_EQ (atBox[0].step, 6);
    EXPECT_TRUE (atBox[0].barShown);
    EXPECT_FALSE (atBox[0].buttonShown);
    EXPECT_EQ (atBox[0].running, 0);

    expectPage (0);
    EXPECT_EQ (nextButton().getButtonText(), "Next");
    EXPECT_TRUE (nextButton().isVisible());
    EXPECT_FALSE (previousButton().isVisible());
    EXPECT_FALSE (progressBar().isVisible());
    EXPECT_FALSE (flashHoldsImage());

    // A second upload: a new worker, the progress back at 0 first.
    ASSERT_GT (updateProgress.load(), 0.0);
    walkFromStartToUnitFound();
    click (nextButton());
    ASSERT_EQ (window->workersMade, 2);
    EXPECT_EQ (window->updateRunningAtWorker[1], 1);
    EXPECT_EQ (window->progressAtWorker[1], 0.0);

    ASSERT_TRUE (test::pumpUntil ([&] { return window->getStep() == 7; }));
    EXPECT_TRUE (flashHoldsImage());
    EXPECT_EQ (boxes.boxes.size(), 1u);

    // After the outcome the close button quits. With no window manager here, the
    // window gets its focus back, and so an enabled close button, as from a click.
    window->grabKeyboardFocus();
    ASSERT_TRUE (test::pumpUntil ([&] { return window->getCloseButton()->isEnabled(); }));
    window->getCloseButton()->triggerClick();
    ASSERT_TRUE (test::pumpUntil ([&] { return app.quitWasRequested(); }));
    EXPECT_FALSE (device().isOpen());
}

TEST_F (PellamWindowTest, OutcomeIsHandledFromAnyPage)
{
    click (nextButton());
    window->handleCommandMessage (4711);
    expectPage (1);
    EXPECT_TRUE (boxes.boxes.empty());

    updateRunning = 1;
    window->handleCommandMessage (updateSucceededCommandId);
    EXPECT_EQ (updateRunning, 0);
    expectPage (7);
    EXPECT_EQ (nextButton().getButtonText(), "Finish");

    updateRunning = 1;
    window->handleCommandMessage (updateFailedCommandId);
    EXPECT_EQ (updateRunning, 0);
    expectPage (0);
    ASSERT_EQ (boxes.boxes.size(), 1u);
    EXPECT_EQ (boxes.boxes[0].description, transferFailedBox);
}

TEST_F (PellamWindowTest, OtherActionMessagesChangeNothing)
{
    window->actionListenerCallback ("next");
    window->actionListenerCallback ("Finish");
    window->actionListenerCallback ("bkgImg");
    expectPage (0);

    window->actionListenerCallback ("Next");
    expectPage (1);
    window->actionListenerCallback ("Previous");
    expectPage (0);
    window->actionListenerCallback ("Previous");
    expectPage (0);
}

} // namespace
} // namespace zarvel
