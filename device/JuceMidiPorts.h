#pragma once

#include "device/MidiPorts.h"

#include <juce_audio_devices/juce_audio_devices.h>

namespace zarvel
{

/** The system's MIDI ports through JUCE (the ALSA sequencer on Linux). */
class JuceMidiPorts final : public MidiPorts
{
public:
    int getNumInputs() override;
    int getNumOutputs() override;
    std::unique_ptr<MidiInputPort> openInput (int index, MidiInputPort::Callback& callback) override;
    std::unique_ptr<MidiOutputPort> openOutput (int index) override;

private:
    // Indexes refer to the lists as they were when last counted.
    juce::Array<juce::MidiDeviceInfo> inputs, outputs;
};

} // namespace zarvel
