#pragma once

#include "device/MidiPorts.h"
#include "tools/unit/ZarvelUnitModel.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace zarvel
{

/** MIDI ports in memory. What is sent on an output goes wherever it is routed:
    to a unit model, which answers on its input, or straight back on an input
    (a loop-back), or nowhere. Deliveries come from a thread of the bus's own,
    as real MIDI input does.
*/
class SimulatedMidiBus final : public MidiPorts
{
public:
    using Bytes = std::vector<juce::uint8>;

    SimulatedMidiBus (int numInputs, int numOutputs);
    ~SimulatedMidiBus() override;

    /** The unit hears output `outputIndex` and answers on input `inputIndex`. */
    void attachUnit (ZarvelUnitModel& unit, int inputIndex, int outputIndex);

    /** Whatever is sent on the output comes back unchanged on the input. */
    void loopBack (int outputIndex, int inputIndex);

    /** Every message sent on the output is answered at once on the input with these bytes. */
    void answerOn (int outputIndex, int inputIndex, const Bytes& answer);

    /** Answers with a valid reply that is no acknowledge. */
    void refuseOn (int outputIndex, int inputIndex);

    void makeInputUnopenable (int index);
    void makeOutputUnopenable (int index);

    /** Called on the sending thread with every message sent, before it is routed. */
    void setSendObserver (std::function<void (const Bytes&)> observer);

    /** Queues a delivery on an input, as if a device had sent it. */
    void deliver (int inputIndex, const Bytes& bytes);

    struct Sent
    {
        int output;
        int startedInput; // -1 when no input was started
        Bytes bytes;
    };

    std::vector<Sent> getSent() const;
    void clearSent();

    /** Waits until every queued delivery has been handed to its port. */
    void waitUntilIdle();

    int getNumInputs() override;
    int getNumOutputs() override;
    std::unique_ptr<MidiInputPort> openInput (int index, MidiInputPort::Callback& callback) override;
    std::unique_ptr<MidiOutputPort> openOutput (int index) override;

private:
    class Input;
    class Output;
    struct Route;

    void send (int outputIndex, const juce::MidiMessage& message);
    void run();

    const int numInputs, numOutputs;

    mutable std::mutex lock;
    std::condition_variable wake, idle;
    std::deque<std::pair<int, Bytes>> queue;
    bool quitting = false;

    std::vector<Route> routes;
    std::vector<bool> unopenableInputs, unopenableOutputs;
    std::vector<Input*> openInputs;
    std::vector<Sent> sent;
    std::function<void (const Bytes&)> sendObserver;

    std::thread deliveryThread;
};

} // namespace zarvel
