#include "app/PellamWindow.h"

#include "app/EmbeddedImages.h"
#include "app/Pellam.h"
#include "app/RightClickableImage.h"
#include "device/IFlashProgrammerIO.h"
#include "device/UpdateState.h"

namespace zarvel
{

const juce::String nextButtonName ("Next");
const juce::String previousButtonName ("Previous");
const juce::String backgroundComponentName ("bkgImg");

const char* const PellamWindow::stepTitles[8] =
{
    "",
    "Step 1.",
    "Step 2.",
    "Step 3.",
    "Step 4.",
    "Step 5.",
    "Step 6.",
    "Step 7."
};

const char* const PellamWindow::stepTexts[8] =
{
    "Welcome to the Zarvel firmware updater application.\nThis software will update your control surface firmware. \n\nPress Next to begin the upgrade process.",
    "Please exit all MIDI related applications and unplug all MIDI devices from your computer.",
    "Unplug the DC POWER and USB connector from your Zarvel.",
    "While holding down the POWER button, plug in the DC POWER connector.\nRelease the POWER button - it should now be flashing rapidly.  If it is not, please repeat steps 2 and 3.",
    "Plug the USB cable to both your computer and the Zarvel.  Please allow a few seconds for your Macintosh to recognize the Zarvel before pushing the \"Next\" button. There may be a short delay when \"Next\" is pressed.",
    "The Zarvel was found and is ready to be updated.  To download new firmware into your Zarvel,  press Next.",
    "Updating Zarvel Firmware.  Please wait...",
    "Update Complete.  Unplug the DC POWER again, wait 30 seconds, and plug it back in. Your Zarvel is now upgraded and ready to use."
};

namespace
{
    const juce::Colour windowColour (0xff808080);
    const juce::Colour buttonTextColour (0xff000000);
    const juce::Colour buttonFaceColour (0xffd3d3d3);
    const juce::Colour buttonOutlineColour (0xff555555);
    const juce::Colour labelTextColour (0xfffaebd7);
    const juce::Colour noColour (juce::Colours::black.withAlpha (0.0f));

    // The carried layout: the picture sits 3 pixels in from the left, right and
    // bottom edges and below a title bar that ends 31 pixels from the top.
    constexpr int borderThickness = 3;
    constexpr int titleBarPixels = 28;

    constexpr int numSteps = 8;
    constexpr int searchStep = 4;
    constexpr int uploadStep = 6;
    constexpr int lastStep = 7;

    const char* const unitNotFoundMessage = "Could not find Zarvel control surface. Check the cables to ensure it is properly connected and press Next to try again.";
    const char* const transferFailedMessage = "An error occured during the file transfer. Please try again or contact Ombrix technical support.";


    void styleLabel (juce::Label& label, const juce::Font& font)
    {
        label.setFont (font);
        // Text at (3, 1) inside the label, lines broken at its width less 6, never squashed.
        label.setBorderSize (juce::BorderSize<int> (1, 3, 1, 3));
        label.setMinimumHorizontalScale (1.0f);
        label.setColour (juce::Label::textColourId, labelTextColour);
        label.setColour (juce::Label::backgroundColourId, noColour);
        label.setColour (juce::Label::backgroundWhenEditingColourId, noColour);
        label.setColour (juce::Label::textWhenEditingColourId, noColour);
        label.setColour (juce::Label::outlineWhenEditingColourId, noColour);
        label.setColour (juce::Label::outlineColourId, noColour);
    }

    void showError (const juce::String& message)
    {
        juce::AlertWindow::showMessageBox (juce::MessageBoxIconType::WarningIcon, "Error", message, "OK");
    }
}

//==============================================================================
PellamWindow::PellamWindow()
    : juce::DialogWindow ("Main Window", windowColour, false)
{
    updateProgress = 0.0;

    setName (juce::JUCEApplication::getInstance()->getApplicationName());
    setTitleBarHeight (titleBarPixels);
    setResizable (false, false);

    // The worker posts its outcome from its own thread, which makes a weak
    // reference to the window; the reference's shared part must exist by then.
    const juce::WeakReference<juce::Component> primeWeakReference (this);

    const auto background = getEmbeddedImage (backgroundImageId);

    if (background.isValid())
    {
        setSize (background.getWidth() + 5, background.getHeight() + 33);

        auto content = std::make_unique<RightClickableImage> (background);
        content->setName (backgroundComponentName);
        setContentOwned (content.release(), false);
    }

    createControls();
    next();

    centreWithSize (getWidth(), getHeight());
    setVisible (true);
}

PellamWindow::~PellamWindow()
{
    updaterThread.reset();

    if (auto* app = Pellam::getInstance())
        app->requestQuit();
}

juce::BorderSize<int> PellamWindow::getBorderThickness()
{
    return juce::BorderSize<int> (borderThickness);
}

void PellamWindow::createControls()
{
    auto* content = getContentComponent();

    if (content == nullptr)
        return;

    nextButton = makeButton (nextButtonName, "Continue to the next step...", { 420, 325, 100, 24 });
    content->addAndMakeVisible (*nextButton, -1);

    previousButton = makeButton (previousButtonName, "Go back a step...", { 320, 325, 100, 24 });
    content->addChildComponent (*previousButton, -1);

    progressBar = std::make_unique<ProgressBar> (updateProgress);
    progressBar->setBounds (0, 180, 549, 25);
    content->addChildComponent (*progressBar, -1);

    const juce::Font labelFont (18.0f, juce::Font::plain);

    textLabel = std::make_unique<juce::Label> (juce::String(), juce::String());
    textLabel->setBounds (100, 210, 420, 110);
    styleLabel (*textLabel, labelFont);
    textLabel->setJustificationType (juce::Justification::topLeft);
    textLabel->setEditable (false, false, false);
    content->addAndMakeVisible (*textLabel, -1);

    titleLabel = std::make_unique<juce::Label> ("lblStep", juce::String());
    titleLabel->setBounds (40, 213, 80, 16);
    styleLabel (*titleLabel, labelFont);
    content->addAndMakeVisible (*titleLabel, -1);
}

std::unique_ptr<ActionButton> PellamWindow::makeButton (const juce::String& name, const juce::String& tooltip,
                                                       juce::Rectangle<int> bounds)
{
    auto button = std::make_unique<ActionButton> (name);
    button->setColour (juce::TextButton::textColourOffId, buttonTextColour);
    button->setColour (juce::TextButton::textColourOnId, buttonTextColour);
    button->setColour (juce::TextButton::buttonColourId, buttonFaceColour);
    button->setColour (juce::TextButton::buttonOnColourId, buttonFaceColour);
    button->setColour (juce::ComboBox::outlineColourId, buttonOutlineColour);
    button->setTooltip (tooltip);
    button->setBounds (bounds);
    button->addActionListener (this);
    return button;
}

//==============================================================================
int PellamWindow::getNumSteps()
{
    return numSteps;
}

void PellamWindow::setStep (int s)
{
    step = s;

    if (nextButton == nullptr || previousButton == nullptr || textLabel == nullptr || titleLabel == nullptr)
        return;

    if (s < 0 || s >= numSteps)
        return;

    textLabel->setText (stepTexts[s], juce::dontSendNotification);
    titleLabel->setText (stepTitles[s], juce::dontSendNotification);

    if (s == 0)
    {
        nextButton->setButtonText ("Next");
        nextButton->setVisible (true);
        previousButton->setVisible (false);
        progressBar->setVisible (false);
    }
    else if (s < uploadStep)
    {
        nextButton->setButtonText ("Next");
        nextButton->setVisible (true);
        previousButton->setButtonText ("Previous");
        previousButton->setVisible (true);
        progressBar->setVisible (false);
    }
    else if (s == uploadStep)
    {
        nextButton->setButtonText ("Next");
        nextButton->setVisible (false);
        previousButton->setButtonText ("Previous");
        previousButton->setVisible (false);
        updateProgress = 0.0;
        progressBar->setVisible (true);
        startUpdate();
    }
    else
    {
        nextButton->setButtonText ("Finish");
        nextButton->setVisible (true);
        previousButton->setButtonText ("Previous");
        previousButton->setVisible (false);
        progressBar->setVisible (false);
    }
}

void PellamWindow::next()
{
    if (step == searchStep)
    {
        auto* device = getFlashDevice();
        device->open (0);

        if (! device->isOpen())
        {
            showError (unitNotFoundMessage);
            return;
        }
    }

    ++step;

    if (step < getNumSteps())
        setStep (step);
    else
        Pellam::getInstance()->quitIfIdle();
}

void PellamWindow::previous()
{
    step = juce::jmax (0, step - 1);
    setStep (step);
}

void PellamWindow::actionListenerCallback (const juce::String& message)
{
    // A click arrives as a message: one made before the upload started (say, a
    // second click on Next during the search) must not move the wizard on.
    if (updateRunning != 0)
        return;

    if (message == nextButtonName)
        next();
    else if (message == previousButtonName)
        previous();
}

void PellamWindow::closeButtonPressed()
{
    Pellam::getInstance()->quitIfIdle();
}

//==============================================================================
std::unique_ptr<FWUpdaterThread> PellamWindow::createUpdaterThread()
{
    return std::make_unique<FWUpdaterThread>();
}

void PellamWindow::startUpdate()
{
    updaterThread.reset();
    updateRunning = 1;
    updaterThread = createUpdaterThread();
    updaterThread->startThread (juce::Thread::Priority::normal);
}

void PellamWindow::stopUpdate()
{
    if (updaterThread == nullptr)
        return;

    updaterThread.reset();
    updateRunning = 0;
}

void PellamWindow::handleCommandMessage (int commandId)
{
    if (commandId == updateSucceededCommandId)
    {
        updaterThread.reset();
        updateRunning = 0;
        setStep (lastStep);
    }
    else if (commandId == updateFailedCommandId)
    {
        updaterThread.reset();
        updateRunning = 0;
        showError (transferFailedMessage);
        setStep (0);
    }
    else
    {
        juce::DialogWindow::handleCommandMessage (commandId);
    }
}

} // namespace zarvel
