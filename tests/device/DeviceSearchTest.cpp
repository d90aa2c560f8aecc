#include "tests/support/DeviceFixtures.h"

namespace zarvel
{
namespace
{

const Bytes queryFrame   { 0xF0, 0x4E, 0x7F, 0x0D, 0x78, 0xF7 };
const Bytes versionFrame { 0xF0, 0x4E, 0x7F, 0x0D, 0x56, 0xF7 };

struct Probe
{
    int input, output;
    bool operator== (const Probe& other) const  { return input == other.input && output == other.output; }
};

std::vector<Probe> probesOf (const std::vector<SimulatedMidiBus::Sent>& sent)
{
    std::vector<Probe> probes;

    for (auto& s : sent)
        if (s.bytes == queryFrame)
            probes.push_back ({ s.startedInput, s.output });

    return probes;
}

TEST (DeviceSearch, WithoutPairsFindsNothingAtOnceAndSendsNothing)
{
    // No ports at all; inputs but no outputs.
    for (auto [inputs, outputs] : { std::pair { 0, 0 }, std::pair { 3, 0 } })
    {
        SCOPED_TRACE (inputs);
        SimulatedMidiBus bus (inputs, outputs);
        USBAtmelDevice device (bus);
        bool found = true;

        EXPECT_LT (millisecondsFor ([&] { found = device.open (0); }), promptlyMs);
        EXPECT_FALSE (found);
        EXPECT_FALSE (device.isOpen());
        EXPECT_TRUE (bus.getSent().empty());
    }
}

TEST (DeviceSearch, TriesInputsOuterAndOutputsInnerUntilTheUnitAnswers)
{
    ZarvelUnitModel unit;
    SimulatedMidiBus bus (4, 4);

    // Every other pair answers at once with a refusal, so the search moves on quickly.
    for (int input = 0; input < 4; ++input)
        for (int output = 0; output < 4; ++output)
            if (! (input == 2 && output == 3))
                bus.refuseOn (output, input);

    bus.attachUnit (unit, 2, 3);
    USBAtmelDevice device (bus);

    EXPECT_TRUE (device.open (0));
    EXPECT_TRUE (device.isOpen());

    const std::vector<Probe> expected {
        { 0, 0 }, { 0, 1 }, { 0, 2 }, { 0, 3 },
        { 1, 0 }, { 1, 1 }, { 1, 2 }, { 1, 3 },
        { 2, 0 }, { 2, 1 }, { 2, 2 }, { 2, 3 }
    };
    const auto sent = bus.getSent();
    EXPECT_EQ (probesOf (sent), expected);

    ASSERT_FALSE (sent.empty());
    EXPECT_EQ (sent.back().bytes, versionFrame);
    EXPECT_EQ (sent.back().output, 3);
    EXPECT_EQ (sent.back().startedInput, 2);
}

TEST (DeviceSearch, RejectsALoopBackPairWithoutWaiting)
{
    ZarvelUnitModel unit;
    SimulatedMidiBus bus (1, 2);
    bus.loopBack (0, 0);
    bus.attachUnit (unit, 0, 1);
    USBAtmelDevice device (bus);
    bool found = false;

    EXPECT_LT (millisecondsFor ([&] { found = device.open (0); }), promptlyMs);
    EXPECT_TRUE (found);
    EXPECT_EQ (probesOf (bus.getSent()), (std::vector<Probe> { { 0, 0 }, { 0, 1 } }));
}

TEST (DeviceSearch, ASilentPairCostsOneWaitAndTheSearchGoesOn)
{
    ZarvelUnitModel unit;
    SimulatedMidiBus bus (2, 1);
    bus.attachUnit (unit, 1, 0);
    USBAtmelDevice device (bus);
    bool found = false;

    const auto ms = millisecondsFor ([&] { found = device.open (0); });
    EXPECT_TRUE (found);
    EXPECT_GE (ms, 990.0);
    EXPECT_EQ (probesOf (bus.getSent()), (std::vector<Probe> { { 0, 0 }, { 1, 0 } }));
}

TEST (DeviceSearch, SkipsAnInputThatCannotBeOpenedButGivesEveryOutputItsTurn)
{
    ZarvelUnitModel unit;
    SimulatedMidiBus bus (2, 2);
    bus.makeInputUnopenable (0);
    bus.makeOutputUnopenable (0);
    bus.attachUnit (unit, 1, 1);
    USBAtmelDevice device (bus);
    bool found = false;

    // Output 0 could not be opened: nothing went out on it, its wait ran out, output 1 answered.
    EXPECT_GE (millisecondsFor ([&] { found = device.open (0); }), 990.0);
    EXPECT_TRUE (found);
    EXPECT_EQ (probesOf (bus.getSent()), (std::vector<Probe> { { 1, 1 } }));
}

TEST (DeviceSearch, OpeningAgainReleasesThePairAndSearchesFromTheStart)
{
    ZarvelUnitModel unit;
    SimulatedMidiBus bus (2, 2);
    bus.refuseOn (0, 0);
    bus.refuseOn (1, 0);
    bus.refuseOn (0, 1);
    bus.attachUnit (unit, 1, 1);
    USBAtmelDevice device (bus);

    ASSERT_TRUE (device.open (0));
    bus.clearSent();

    // Input 1 is held: only if it is released can the search open it again.
    EXPECT_TRUE (device.open (0));
    EXPECT_EQ (probesOf (bus.getSent()), (std::vector<Probe> { { 0, 0 }, { 0, 1 }, { 1, 0 }, { 1, 1 } }));
}

TEST (DeviceSearch, NoUnitLeavesTheDeviceClosed)
{
    SimulatedMidiBus bus (1, 1);
    bus.refuseOn (0, 0);
    USBAtmelDevice device (bus);

    EXPECT_FALSE (device.open (0));
    EXPECT_FALSE (device.isOpen());
    EXPECT_TRUE (device.close (0));
    EXPECT_FALSE (device.isOpen());
}

TEST (DeviceSearch, ReadsTheVersion)
{
    for (juce::uint8 version : { 1, 0x7E })
    {
        ZarvelUnitModel unit (version);
        SimulatedMidiBus bus (1, 1);
        bus.attachUnit (unit, 0, 0);
        USBAtmelDevice device (bus);
        ASSERT_TRUE (device.open (0));
        EXPECT_EQ (device.getVersion(), version);
    }
}

TEST (DeviceSearch, AUnitThatDoesNotTellItsVersionIsStillFound)
{
    ZarvelUnitModel unit;
    unit.injectFault ('V', 0, ZarvelUnitModel::Fault::noReply);
    SimulatedMidiBus bus (1, 1);
    bus.attachUnit (unit, 0, 0);
    USBAtmelDevice device (bus);

    EXPECT_TRUE (device.open (0));
    EXPECT_TRUE (device.isOpen());

    unit.injectFault ('V', 1, ZarvelUnitModel::Fault::noReply);
    EXPECT_EQ (device.getVersion(), 0);
}

} // namespace
} // namespace zarvel
