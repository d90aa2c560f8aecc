#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace zarvel
{

/** A dialog its owner runs modally, usually on the stack: it builds its content
    when run, and closing it ends the run with 0 and hides it, never deletes it.
*/
class ModalDialog : public juce::DialogWindow
{
public:
    ModalDialog (const juce::String& name, const juce::Colour& backgroundColour,
                 bool escapeKeyCloses);
    ~ModalDialog() override;

    /** Builds the content and runs the modal loop; the value given to exitModalState. */
    int runModal();

    void closeButtonPressed() override;

    /** The default: an empty content, 300 x 200, centred. */
    virtual void createContent();

    /** The frame of the classic dialog: content at (3, 31), width - 6 by height - 34. */
    juce::BorderSize<int> getBorderThickness() override;

protected:
    bool escapeKeyPressed() override;

private:
    const bool escapeCloses;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ModalDialog)
};

} // namespace zarvel
