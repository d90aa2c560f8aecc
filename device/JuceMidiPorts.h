#pragma once

#include "device/MidiPorts.h"

#include <juce_audio_devices/juce_audio_devices.h>

namespace zarvel
{

/** The system's MIDI ports through JUCE (the ALSA sequencer on Linux). */
class JuceMidiPorts final : public MidiPorts
{
public:
    JuceMidiPorts();
    ~JuceMidiPorts() override;

    int getNumInputs() override;
    int getNumOutputs() override;
    std::unique_ptr<MidiInputPort> openInput (int index, MidiInputPort::Callback& callback) override;
    std::unique_ptr<MidiOutputPort> openOutput (int index) override;

    /** Lets go of the input kept connected after its release. */
    void releaseRetiredInput();

private:
    class InputConnection;
    class InputPort;

    void retire (std::unique_ptr<InputConnection> connection);

    // Indexes refer to the lists as they were when last counted.
    juce::Array<juce::MidiDeviceInfo> inputs, outputs;

    // JUCE's ALSA input thread ends when its last input stops, but notices only at
    // its next 100 ms poll, and an input started meanwhile gets no thread at all.
    // So the input released last stays connected, silenced, until the next one is.
    std::unique_ptr<InputConnection> retired;
};

} // namespace zarvel
