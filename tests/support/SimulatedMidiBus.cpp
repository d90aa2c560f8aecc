#include "tests/support/SimulatedMidiBus.h"

namespace zarvel
{

struct SimulatedMidiBus::Route
{
    enum class Kind { unit, loopBack, answer };

    Kind kind;
    int output, input;
    ZarvelUnitModel* unit;
    Bytes answer;
};

class SimulatedMidiBus::Input final : public MidiInputPort
{
public:
    Input (SimulatedMidiBus& b, int i, MidiInputPort::Callback& c) : bus (b), index (i), callback (c) {}

    ~Input() override
    {
        stop();
        const std::lock_guard<std::mutex> l (bus.lock);
        bus.openInputs[(size_t) index] = nullptr;
    }

    void start() override
    {
        const std::lock_guard<std::mutex> l (deliveryLock);
        started = true;
    }

    void stop() override
    {
        const std::lock_guard<std::mutex> l (deliveryLock);
        started = false;
    }

    bool isStarted()
    {
        const std::lock_guard<std::mutex> l (deliveryLock);
        return started;
    }

    void deliver (const Bytes& bytes)
    {
        const std::lock_guard<std::mutex> l (deliveryLock);

        if (started)
            callback.handleIncomingMidiMessage (this, juce::MidiMessage (bytes.data(), (int) bytes.size()));
    }

private:
    SimulatedMidiBus& bus;
    const int index;
    MidiInputPort::Callback& callback;
    std::mutex deliveryLock;
    bool started = false;
};

class SimulatedMidiBus::Output final : public MidiOutputPort
{
public:
    Output (SimulatedMidiBus& b, int i) : bus (b), index (i) {}

    void sendMessageNow (const juce::MidiMessage& message) override  { bus.send (index, message); }

private:
    SimulatedMidiBus& bus;
    const int index;
};

//==============================================================================
SimulatedMidiBus::SimulatedMidiBus (int ins, int outs)
    : numInputs (ins), numOutputs (outs),
      unopenableInputs ((size_t) ins), unopenableOutputs ((size_t) outs),
      openInputs ((size_t) ins, nullptr)
{
    deliveryThread = std::thread ([this] { run(); });
}

SimulatedMidiBus::~SimulatedMidiBus()
{
    {
        const std::lock_guard<std::mutex> l (lock);
        quitting = true;
    }

    wake.notify_all();
    deliveryThread.join();
}

void SimulatedMidiBus::attachUnit (ZarvelUnitModel& unit, int inputIndex, int outputIndex)
{
    const std::lock_guard<std::mutex> l (lock);
    routes.push_back ({ Route::Kind::unit, outputIndex, inputIndex, &unit, {} });
}

void SimulatedMidiBus::loopBack (int outputIndex, int inputIndex)
{
    const std::lock_guard<std::mutex> l (lock);
    routes.push_back ({ Route::Kind::loopBack, outputIndex, inputIndex, nullptr, {} });
}

void SimulatedMidiBus::answerOn (int outputIndex, int inputIndex, const Bytes& answer)
{
    const std::lock_guard<std::mutex> l (lock);
    routes.push_back ({ Route::Kind::answer, outputIndex, inputIndex, nullptr, answer });
}

void SimulatedMidiBus::refuseOn (int outputIndex, int inputIndex)
{
    answerOn (outputIndex, inputIndex, ZarvelUnitModel::makeReply (0x3F));
}

void SimulatedMidiBus::makeInputUnopenable (int index)
{
    const std::lock_guard<std::mutex> l (lock);
    unopenableInputs[(size_t) index] = true;
}

void SimulatedMidiBus::makeOutputUnopenable (int index)
{
    const std::lock_guard<std::mutex> l (lock);
    unopenableOutputs[(size_t) index] = true;
}

void SimulatedMidiBus::setSendObserver (std::function<void (const Bytes&)> observer)
{
    const std::lock_guard<std::mutex> l (lock);
    sendObserver = std::move (observer);
}

void SimulatedMidiBus::deliver (int inputIndex, const Bytes& bytes)
{
    {
        const std::lock_guard<std::mutex> l (lock);
        queue.emplace_back (inputIndex, bytes);
    }

    wake.notify_all();
}

std::vector<SimulatedMidiBus::Sent> SimulatedMidiBus::getSent() const
{
    const std::lock_guard<std::mutex> l (lock);
    return sent;
}

void SimulatedMidiBus::clearSent()
{
    const std::lock_guard<std::mutex> l (lock);
    sent.clear();
}

void SimulatedMidiBus::waitUntilIdle()
{
    std::unique_lock<std::mutex> l (lock);
    idle.wait (l, [this] { return queue.empty(); });
}

int SimulatedMidiBus::getNumInputs()    { return numInputs; }
int SimulatedMidiBus::getNumOutputs()   { return numOutputs; }

std::unique_ptr<MidiInputPort> SimulatedMidiBus::openInput (int index, MidiInputPort::Callback& callback)
{
    const std::lock_guard<std::mutex> l (lock);

    if (index < 0 || index >= numInputs || unopenableInputs[(size_t) index] || openInputs[(size_t) index] != nullptr)
        return {};

    auto input = std::make_unique<Input> (*this, index, callback);
    openInputs[(size_t) index] = input.get();
    return input;
}

std::unique_ptr<MidiOutputPort> SimulatedMidiBus::openOutput (int index)
{
    const std::lock_guard<std::mutex> l (lock);

    if (index < 0 || index >= numOutputs || unopenableOutputs[(size_t) index])
        return {};

    return std::make_unique<Output> (*this, index);
}

void SimulatedMidiBus::send (int outputIndex, const juce::MidiMessage& message)
{
    const auto* raw = message.getRawData();
    const Bytes bytes (raw, raw + message.getRawDataSize());

    {
        const std::lock_guard<std::mutex> l (lock);

        int startedInput = -1;

        for (int i = 0; i < numInputs; ++i)
            if (auto* input = openInputs[(size_t) i]; input != nullptr && input->isStarted())
                startedInput = i;

        sent.push_back ({ outputIndex, startedInput, bytes });

        if (sendObserver)
            sendObserver (bytes);

        for (auto& route : routes)
        {
            if (route.output != outputIndex)
                continue;

            switch (route.kind)
            {
                case Route::Kind::unit:
                    for (auto& reply : route.unit->receive (bytes.data(), bytes.size()))
                        queue.emplace_back (route.input, std::move (reply));
                    break;

                case Route::Kind::loopBack:
                    queue.emplace_back (route.input, bytes);
                    break;

                case Route::Kind::answer:
                    queue.emplace_back (route.input, route.answer);
                    break;
            }
        }
    }

    wake.notify_all();
}

void SimulatedMidiBus::run()
{
    std::unique_lock<std::mutex> l (lock);

    for (;;)
    {
        wake.wait (l, [this] { return quitting || ! queue.empty(); });

        if (quitting)
            return;

        auto [inputIndex, bytes] = std::move (queue.front());
        queue.pop_front();

        // Delivered under the bus's lock, so a port cannot go away meanwhile.
        if (auto* input = openInputs[(size_t) inputIndex])
            input->deliver (bytes);

        if (queue.empty())
            idle.notify_all();
    }
}

} // namespace zarvel
