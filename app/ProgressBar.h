#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <atomic>

namespace zarvel
{

/** Draws a fraction kept elsewhere, which another thread may write: it looks
    at the value every 100 ms and repaints only when it changed.
*/
class ProgressBar : public juce::Component,
                    private juce::Timer
{
public:
    explicit ProgressBar (std::atomic<double>& watchedValue);
    ~ProgressBar() override;

    void paint (juce::Graphics& g) override;
    void resized() override;
    void colourChanged() override;

    /** The fraction drawn, clamped to 0..1. */
    double getShownValue() const noexcept   { return shownValue; }

private:
    void timerCallback() override;

    std::atomic<double>& watchedValue;
    double shownValue;

    // JUCE 7's look-and-feel draws a bar from a juce::ProgressBar's bounds and colours.
    double lookBarValue = 0.0;
    juce::ProgressBar lookBar { lookBarValue };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ProgressBar)
};

} // namespace zarvel
