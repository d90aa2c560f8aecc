#include "device/JuceMidiPorts.h"

#include <mutex>

namespace zarvel
{

/** The JUCE side of an opened input: what JUCE delivers to. */
class JuceMidiPorts::InputConnection final : public juce::MidiInputCallback
{
public:
    // JUCE may call in until its input is gone, so that goes before anything else.
    ~InputConnection() override    { input.reset(); }

    bool open (const juce::String& identifier)
    {
        input = juce::MidiInput::openDevice (identifier, this);
        return input != nullptr;
    }

    void deliverTo (MidiInputPort* port, MidiInputPort::Callback* callback)
    {
        // Taking the lock also waits out a delivery that is under way.
        const std::lock_guard<std::mutex> lock (deliveryLock);
        owner = port;
        target = callback;
    }

    void start()              { input->start(); started = true; }
    bool wasStarted() const   { return started; }

private:
    void handleIncomingMidiMessage (juce::MidiInput* source, const juce::MidiMessage& message) override
    {
        const std::lock_guard<std::mutex> lock (deliveryLock);

        if (target != nullptr)
            target->handleIncomingMidiMessage (source == input.get() ? owner : nullptr, message);
    }

    std::unique_ptr<juce::MidiInput> input;
    std::mutex deliveryLock;
    MidiInputPort* owner = nullptr;
    MidiInputPort::Callback* target = nullptr;
    bool started = false;
};

class JuceMidiPorts::InputPort final : public MidiInputPort
{
public:
    InputPort (JuceMidiPorts& p, std::unique_ptr<InputConnection> c, MidiInputPort::Callback& cb)
        : ports (p), connection (std::move (c)), callback (cb)
    {
    }

    ~InputPort() override
    {
        stop();
        ports.retire (std::move (connection));
    }

    void start() override
    {
        connection->deliverTo (this, &callback);

        if (! connection->wasStarted())
            connection->start();
    }

    // The JUCE input goes on running; only the deliveries stop.
    void stop() override    { connection->deliverTo (nullptr, nullptr); }

private:
    JuceMidiPorts& ports;
    std::unique_ptr<InputConnection> connection;
    MidiInputPort::Callback& callback;
};

namespace
{
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
}

//==============================================================================
JuceMidiPorts::JuceMidiPorts() = default;
JuceMidiPorts::~JuceMidiPorts() = default;

void JuceMidiPorts::retire (std::unique_ptr<InputConnection> connection)
{
    if (connection != nullptr && connection->wasStarted())
        std::swap (retired, connection);

    // The one retired before goes only now, after the new one took its place.
    connection.reset();
}

void JuceMidiPorts::releaseRetiredInput()
{
    retired.reset();
}

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

    auto connection = std::make_unique<InputConnection>();

    if (! connection->open (inputs.getReference (index).identifier))
        return {};

    return std::make_unique<InputPort> (*this, std::move (connection), callback);
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
