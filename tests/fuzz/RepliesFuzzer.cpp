// What the MIDI input can bring the link: any bytes, cut into any deliveries, from
// the link's own input, another port or none. What the link holds is checked after
// every delivery, and a reply left stored is judged by the link's own calls.
//
// Input: one byte of modes, then pieces, each a control byte and up to 64 bytes:
//   modes bit 0   judged by getVersion (the pieces answer its command), else by
//                 waitForReply, with and without an acknowledge asked for
//   modes bit 1   the pieces go through JUCE's MIDI byte joining, as its ALSA input
//                 delivers them; else each piece is one message of its raw bytes
//   modes bit 2   the acknowledge is asked for first
//   control       bits 6-7: 0 or 1 the link's input, 2 another port, 3 none;
//                 bits 0-5: the piece's length less one
#include "device/USBAtmelDevice.h"
#include "tests/support/SimulatedMidiBus.h"

#include <juce_audio_basics/midi/juce_MidiDataConcatenator.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

namespace zarvel
{
namespace
{

using Bytes = std::vector<juce::uint8>;

void check (bool condition, const char* what)
{
    if (! condition)
    {
        std::fprintf (stderr, "fuzz_replies: %s\n", what);
        std::abort();
    }
}

/** The simulated ports, noting which input the link opened. */
class NotingPorts final : public MidiPorts
{
public:
    explicit NotingPorts (SimulatedMidiBus& b) : bus (b) {}

    int getNumInputs() override     { return bus.getNumInputs(); }
    int getNumOutputs() override    { return bus.getNumOutputs(); }

    std::unique_ptr<MidiInputPort> openInput (int index, MidiInputPort::Callback& callback) override
    {
        auto port = bus.openInput (index, callback);
        opened = port.get();
        return port;
    }

    std::unique_ptr<MidiOutputPort> openOutput (int index) override  { return bus.openOutput (index); }

    MidiInputPort* opened = nullptr;

private:
    SimulatedMidiBus& bus;
};

/** What the link should hold after each delivery, by the rules its reply
    assembly obeys: worked out apart, so that every judgement can be checked.
*/
class ExpectedReply
{
public:
    void deliver (bool fromLinkInput, const juce::MidiMessage& message)
    {
        // A stored reply lives only until the next message from any port.
        reply.reset();

        // Only the link's own input is assembled.
        if (! fromLinkInput)
            return;

        for (int i = 0; i < message.getRawDataSize(); ++i)
        {
            const auto byte = message.getRawData()[i];

            // A 0xF0 restarts.
            if (byte == 0xF0)
                pending.clear();

            // More than 256 bytes are dropped, with the rest of their delivery.
            if (pending.size() == 256)
            {
                pending.clear();
                return;
            }

            // Bytes after an 0xF7 are collected without an 0xF0 (the search left
            // the link collecting).
            pending.push_back (byte);

            if (byte == 0xF7)
                reply = std::exchange (pending, {});
        }
    }

    bool isStored() const   { return reply.has_value(); }

    bool isValid() const
    {
        return reply.has_value() && reply->size() >= 5
            && (*reply)[0] == 0xF0 && (*reply)[1] == 0x4E && (*reply)[2] == 0x7F && (*reply)[3] == 0x0D;
    }

    bool isAcknowledge() const  { return isValid() && (*reply)[4] == 0x0D; }
    int getVersion() const      { return isValid() ? (int) (*reply)[4] : 0; }

private:
    Bytes pending;
    std::optional<Bytes> reply;
};

struct Delivery
{
    MidiInputPort* source;
    juce::MidiMessage message;
};

/** Collects what JUCE's byte joining hands on; partial SysEx is not passed on (as
    the program's ALSA input does not).
*/
struct Collector
{
    std::vector<Delivery>& deliveries;

    void handleIncomingMidiMessage (MidiInputPort* source, const juce::MidiMessage& message)
    {
        deliveries.push_back ({ source, message });
    }

    void handlePartialSysexMessage (MidiInputPort*, const juce::uint8*, int, double) {}
};

std::vector<Delivery> cutIntoDeliveries (const juce::uint8* data, size_t size, bool joinedByJuce,
                                         MidiInputPort* linkInput, MidiInputPort* otherPort)
{
    std::vector<Delivery> deliveries;
    Collector collector { deliveries };

    constexpr int sourceOfControl[] = { 0, 0, 1, 2 };

    // One joiner per port, as each port's bytes are joined on their own.
    juce::MidiDataConcatenator joiners[3] { 2048, 2048, 2048 };
    MidiInputPort* const sources[3] = { linkInput, otherPort, nullptr };

    size_t pos = 0;

    while (pos < size)
    {
        const auto control = data[pos++];
        const auto which = sourceOfControl[control >> 6];
        const auto length = std::min ((size_t) (control & 0x3F) + 1, size - pos);

        if (length == 0)
            break;

        if (joinedByJuce)
            joiners[which].pushMidiData (data + pos, (int) length, 0.0, sources[which], collector);
        else
            deliveries.push_back ({ sources[which], juce::MidiMessage (data + pos, (int) length, 0.0) });

        pos += length;
    }

    return deliveries;
}

/** A link opened on simulated ports, its unit silent after the search. */
struct OpenedLink
{
    ZarvelUnitModel unit;
    SimulatedMidiBus bus { 2, 1 };
    NotingPorts ports { bus };
    USBAtmelDevice device { ports };
    std::unique_ptr<MidiInputPort> otherPort;

    OpenedLink()
    {
        unit.injectFault ('V', 1, ZarvelUnitModel::Fault::noReply);
        bus.attachUnit (unit, 0, 0);
        check (device.open (0), "the simulated unit was not found");
        bus.waitUntilIdle();
        check (ports.opened != nullptr, "no input noted");
        otherPort = bus.openInput (1, device);
    }
};

// Waits that run out mean the link lost a reply it should hold.
template <typename Function>
auto withoutWaitingOut (Function&& judge)
{
    const auto start = juce::Time::getMillisecondCounterHiRes();
    const auto result = judge();
    check (juce::Time::getMillisecondCounterHiRes() - start < USBAtmelDevice::replyTimeoutMs,
           "a stored reply was waited for");
    return result;
}

} // namespace
} // namespace zarvel

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size);

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    using namespace zarvel;

    if (size == 0)
        return 0;

    const bool byVersion = (data[0] & 1) != 0;
    const bool joinedByJuce = (data[0] & 2) != 0;
    const bool acknowledgeFirst = (data[0] & 4) != 0;

    OpenedLink link;
    const auto deliveries = cutIntoDeliveries (data + 1, size - 1, joinedByJuce,
                                               link.ports.opened, link.otherPort.get());

    // What the link must hold after each delivery, by the rules.
    ExpectedReply expected;
    std::vector<bool> storedAfter;

    for (auto& d : deliveries)
    {
        expected.deliver (d.source != nullptr && d.source == link.ports.opened, d.message);
        storedAfter.push_back (expected.isStored());
    }

    // After every delivery, a look that does not wait.
    auto deliverAll = [&]
    {
        for (size_t i = 0; i < deliveries.size(); ++i)
        {
            link.device.handleIncomingMidiMessage (deliveries[i].source, deliveries[i].message);
            check (link.device.hasStoredReply() == storedAfter[i],
                   storedAfter[i] ? "a reply was lost" : "a reply was kept that should be gone");
        }
    };

    // With no reply to be left stored, the link's own judgements would each wait
    // out their second: the looks judge such an input.
    if (! expected.isStored())
    {
        deliverAll();
        return 0;
    }

    if (byVersion)
    {
        // The pieces arrive once the version command is out, as the unit's answer would.
        link.bus.setSendObserver ([&] (const Bytes&) { deliverAll(); });
        const auto version = withoutWaitingOut ([&] { return link.device.getVersion(); });
        check (version == expected.getVersion(), "getVersion misread the reply");
        return 0;
    }

    deliverAll();

    auto judge = [&] (bool requireAck)
    {
        return withoutWaitingOut ([&] { return link.device.waitForReply (requireAck); });
    };

    const bool first = judge (acknowledgeFirst);
    const bool second = judge (! acknowledgeFirst);
    const bool acknowledged = acknowledgeFirst ? first : second;
    const bool valid = acknowledgeFirst ? second : first;

    check (valid == expected.isValid(), "a reply misjudged as valid or invalid");
    check (acknowledged == expected.isAcknowledge(), "a reply misjudged as acknowledge or not");
    check (judge (false) == valid, "judging a reply changed it");
    return 0;
}
