#include "app/ActionButton.h"

namespace zarvel
{

ActionButton::ActionButton (const juce::String& name) : juce::TextButton (name) {}

ActionButton::~ActionButton() = default;

void ActionButton::clicked()
{
    sendActionMessage (getName());
}

} // namespace zarvel
