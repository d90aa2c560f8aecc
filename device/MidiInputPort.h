#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

namespace zarvel
{

/** One opened MIDI input. Messages reach its callback on a thread of the
    port's own once it is started.
*/
class MidiInputPort
{
public:
    class Callback
    {
    public:
        virtual ~Callback() = default;

        /** Called on the port's input thread. The source is the port that
            delivered the message (null if it cannot be told).
        */
        virtual void handleIncomingMidiMessage (MidiInputPort* source, const juce::MidiMessage& message) = 0;
    };

    virtual ~MidiInputPort() = default;

    virtual void start() = 0;

    /** Returns only once no delivery to the callback is under way. */
    virtual void stop() = 0;
};

} // namespace zarvel
