#include "app/ProgressBar.h"

namespace zarvel
{

namespace
{
    double clampFraction (double value)
    {
        return juce::jlimit (0.0, 1.0, value);
    }
}

ProgressBar::ProgressBar (std::atomic<double>& valueToWatch)
    : juce::Component ("_progressbar_"),
      watchedValue (valueToWatch),
      shownValue (clampFraction (valueToWatch.load()))
{
    // Only lends its bounds and colours to the look-and-feel's drawing: hidden, so it
    // never paints or runs its own timer.
    addChildComponent (lookBar);
    startTimer (100);
}

ProgressBar::~ProgressBar()
{
    stopTimer();
}

void ProgressBar::paint (juce::Graphics& g)
{
    getLookAndFeel().drawProgressBar (g, lookBar, getWidth(), getHeight(), shownValue, {});
}

void ProgressBar::resized()
{
    lookBar.setBounds (getLocalBounds());
}

void ProgressBar::colourChanged()
{
    for (const auto id : { juce::ProgressBar::backgroundColourId, juce::ProgressBar::foregroundColourId })
    {
        if (isColourSpecified (id))
            lookBar.setColour (id, findColour (id));
        else
            lookBar.removeColour (id);
    }
}

void ProgressBar::timerCallback()
{
    // The unclamped value is compared, so one out of range repaints at each tick.
    const auto current = watchedValue.load();

    if (current == shownValue)
        return;

    shownValue = clampFraction (current);
    repaint();
}

} // namespace zarvel
