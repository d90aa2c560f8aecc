#include "app/ModalDialog.h"

namespace zarvel
{

ModalDialog::ModalDialog (const juce::String& name, const juce::Colour& backgroundColour,
                          bool escapeKeyCloses)
    : juce::DialogWindow (name, backgroundColour, escapeKeyCloses),
      escapeCloses (escapeKeyCloses)
{
    setTitleBarHeight (28);
}

ModalDialog::~ModalDialog() = default;

int ModalDialog::runModal()
{
    createContent();
    return runModalLoop();
}

void ModalDialog::closeButtonPressed()
{
    // Hidden, not deleted: the dialog belongs to whoever runs it.
    exitModalState (0);
    setVisible (false);
}

void ModalDialog::createContent()
{
    centreWithSize (300, 200);

    auto content = std::make_unique<juce::Component>();
    content->setSize (getWidth(), getHeight());
    setContentOwned (content.release(), false);
}

juce::BorderSize<int> ModalDialog::getBorderThickness()
{
    return juce::BorderSize<int> (3);
}

bool ModalDialog::escapeKeyPressed()
{
    // Escape works like the close button rather than JUCE's plain hiding.
    if (! escapeCloses)
        return false;

    closeButtonPressed();
    return true;
}

} // namespace zarvel
