#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace zarvel
{

/** Shows one picture at its own size from its top-left corner, never scaled. */
class ImageComponent : public juce::Component
{
public:
    explicit ImageComponent (const juce::Image& image);
    explicit ImageComponent (const juce::String& path);
    ~ImageComponent() override;

    void paint (juce::Graphics& g) override;

    /** Takes the picture's size; with no picture, changes nothing. */
    virtual void sizeToImage();

private:
    const juce::Image image;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ImageComponent)
};

} // namespace zarvel
