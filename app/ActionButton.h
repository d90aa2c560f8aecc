#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace zarvel
{

/** A text button that, when clicked, sends its component name to its action
    listeners, whatever text it shows.
*/
class ActionButton : public juce::TextButton,
                     public juce::ActionBroadcaster
{
public:
    explicit ActionButton (const juce::String& name);
    ~ActionButton() override;

protected:
    using juce::TextButton::clicked;
    void clicked() override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ActionButton)
};

} // namespace zarvel
