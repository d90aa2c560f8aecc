#pragma once

#include "app/ModalDialog.h"

namespace zarvel
{

/** The About box: the About picture with the product name, both versions and the
    copyright line on it. Built afresh each time it is run.
*/
class AboutWindow : public ModalDialog
{
public:
    AboutWindow();
    ~AboutWindow() override;

    void createContent() override;

    /** Puts the four labels on the content; does nothing before there is one. */
    void createContents();

private:
    juce::Label* applicationVersionLabel = nullptr;
    juce::Label* firmwareVersionLabel = nullptr;

    // Children of the content, which only detaches them: released with the box.
    juce::OwnedArray<juce::Label> labels;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (AboutWindow)
};

} // namespace zarvel
