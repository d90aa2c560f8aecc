#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

namespace zarvel
{

/** One opened MIDI output. */
class MidiOutputPort
{
public:
    virtual ~MidiOutputPort() = default;

    /** Sends at once; reports nothing. */
    virtual void sendMessageNow (const juce::MidiMessage& message) = 0;
};

} // namespace zarvel
