#pragma once

#include "app/ImageComponent.h"

namespace zarvel
{

/** A picture that answers the right mouse button with the "About..." and
    "Exit..." menu.
*/
class RightClickableImage : public ImageComponent
{
public:
    explicit RightClickableImage (const juce::Image& image);
    ~RightClickableImage() override;

    void mouseDown (const juce::MouseEvent& e) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (RightClickableImage)
};

} // namespace zarvel
