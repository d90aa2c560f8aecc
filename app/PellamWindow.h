#pragma once

#include "app/ActionButton.h"
#include "app/ProgressBar.h"
#include "app/FWUpdaterThread.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace zarvel
{

/** Component names of the wizard's buttons, and so also their action messages. */
extern const juce::String nextButtonName;
extern const juce::String previousButtonName;

/** Component name of the window's content, the background picture. */
extern const juce::String backgroundComponentName;

/** The wizard: eight pages on the background picture, with Next and Previous,
    the search for the unit at step 4 and the upload from step 6.
*/
class PellamWindow : public juce::DialogWindow,
                     public juce::ActionListener
{
public:
    PellamWindow();
    ~PellamWindow() override;

    void handleCommandMessage (int commandId) override;
    void closeButtonPressed() override;
    void actionListenerCallback (const juce::String& message) override;

    virtual int getNumSteps();
    virtual void next();
    virtual void previous();
    virtual void setStep (int s);

    int getStep() const noexcept    { return step; }

    /** Ends a running upload and waits for its worker; for a quit that did not
        wait for the upload's outcome.
    */
    void stopUpdate();

    juce::BorderSize<int> getBorderThickness() override;

    static const char* const stepTitles[8];
    static const char* const stepTexts[8];

protected:
    /** The worker for one upload. */
    virtual std::unique_ptr<FWUpdaterThread> createUpdaterThread();

private:
    void createControls();
    std::unique_ptr<ActionButton> makeButton (const juce::String& name, const juce::String& tooltip,
                                              juce::Rectangle<int> bounds);
    void startUpdate();

    std::unique_ptr<juce::Label> textLabel, titleLabel;
    std::unique_ptr<ActionButton> previousButton, nextButton;
    std::unique_ptr<ProgressBar> progressBar;
    int step = -1;

    std::unique_ptr<FWUpdaterThread> updaterThread;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PellamWindow)
};

} // namespace zarvel
