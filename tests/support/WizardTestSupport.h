#pragma once

#include "app/Pellam.h"
#include "app/PellamWindow.h"
#include "tests/support/GuiTestSupport.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <vector>

namespace zarvel
{

/** Answers every modal box as a user would: an alert box with "OK", anything
    else by leaving it. Each box is recorded, with what the test wants to know
    about the moment it was shown.
*/
class ModalBoxDismisser : private juce::Timer
{
public:
    struct Box
    {
        juce::String title, description;
    };

    ModalBoxDismisser()     { startTimer (20); }
    ~ModalBoxDismisser() override   { stopTimer(); }

    std::vector<Box> boxes;

    /** Called for each box before it is dismissed. */
    std::function<void()> onBox;

private:
    void timerCallback() override
    {
        juce::PopupMenu::dismissAllActiveMenus();

        auto* modal = juce::Component::getCurrentlyModalComponent();

        // A box clicked away goes only once its click has been handled.
        if (modal == nullptr || modal == answered.getComponent())
            return;

        answered = modal;
        boxes.push_back ({ modal->getName(), modal->getDescription() });

        if (onBox != nullptr)
            onBox();

        if (auto* alert = dynamic_cast<juce::AlertWindow*> (modal))
            alert->triggerButtonClick ("OK");
        else
            modal->exitModalState (0);
    }

    juce::Component::SafePointer<juce::Component> answered;
};

/** The application object for a test: the tests start and end it by hand,
    and choose the window it opens.
*/
class TestPellam : public Pellam
{
public:
    std::function<std::unique_ptr<PellamWindow>()> makeWindow;

    /** How often the runner was asked to leave its loop. */
    int quitRequests = 0;

    bool quitWasRequested() const noexcept  { return quitRequests > 0; }

protected:
    void requestQuit() override     { ++quitRequests; }

    std::unique_ptr<PellamWindow> createMainWindow() override
    {
        return makeWindow != nullptr ? makeWindow() : Pellam::createMainWindow();
    }
};

} // namespace zarvel
