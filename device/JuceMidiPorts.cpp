#include "device/JuceMidiPorts.h"

#include <mutex>

namespace zarvel
{

namespace
{

class JuceInputPort final : public MidiInputPort,
                            private juce::MidiInputCallback
{
public:
    explicit JuceInputPort (MidiInputPort::Callback& c) : callback (c) {}

    ~JuceInputPort() override
    {
        stop();
        input.reset();
    }

    bool open (const juce::String& identifier)
    {
        input = juce::MidiInput::openDevice (identifier, this);
        return input != nullptr;
    }

    void start() override
    {
        {
            const std::lock_guard<std::mutex> lock (deliveryLock);
            started = true;
        }
        input->start();
    }

    void stop() override
    {
        if (input != nullptr)
            input->stop();

        // JUCE's stop only disables further callbacks; waiting here for the lock
        // also waits out a delivery that is under way.
        const std::lock_guard<std::mutex> lock (deliveryLock);
        started = false;
    }

private:
    void handleIncomingMidiMessage (juce::MidiInput* source, const juce::MidiMessage& message) override
    {
        const std::lock_guard<std::mutex> lock (deliveryLock);

        if (started)
            callback.handleIncomingMidiMessage (source == input.get() ? this : nullptr, message);
    }

    MidiInputPort::Callback& callback;
    std::unique_ptr<juce::MidiInput> input;
    std::mutex deliveryLock;
    bool started = false;
};

class JuceOutputPort final : public MidiOutputPort
{
public:
    explicit JuceOutputPort (std::unique_ptr<juce::MidiOutput> o) : output (std::move (o)) {}

    void sendMessageNow (const juce::MidiMessage& message) override
    {
        output->sendMessageNow (message);
    }

private:
    std::unique_ptr<juce::MidiOutput> output;
};

} // namespace

int JuceMidiPorts::getNumInputs()
{
    inputs = juce::MidiInput::getAvailableDevices();
    return inputs.size();
}

int JuceMidiPorts::getNumOutputs()
{
    outputs = juce::MidiOutput::getAvailableDevices();
    return outputs.size();
}

std::unique_ptr<MidiInputPort> JuceMidiPorts::openInput (int index, MidiInputPort::Callback& callback)
{
    if (! juce::isPositiveAndBelow (index, inputs.size()))
        return {};

    auto port = std::make_unique<JuceInputPort> (callback);

    if (! port->open (inputs.getReference (index).identifier))
        return {};

    return port;
}

std::unique_ptr<MidiOutputPort> JuceMidiPorts::openOutput (int index)
{
    if (! juce::isPositiveAndBelow (index, outputs.size()))
        return {};

    if (auto output = juce::MidiOutput::openDevice (outputs.getReference (index).identifier))
        return std::make_unique<JuceOutputPort> (std::move (output));

    return {};
}

} // namespace zarvel
