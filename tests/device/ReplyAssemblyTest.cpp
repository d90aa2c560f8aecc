#include "tests/support/DeviceFixtures.h"

namespace zarvel
{
namespace
{

struct FrameCase
{
    const char* what;
    Bytes frame;
    bool valid, acknowledge;
};

TEST (ReplyAssembly, JudgesReplyFrames)
{
    const FrameCase cases[] = {
        { "acknowledge",            { 0xF0, 0x4E, 0x7F, 0x0D, 0x0D, 0xF7 }, true,  true },
        { "prefix only",            { 0xF0, 0x4E, 0x7F, 0x0D, 0xF7 },       true,  false },
        { "short prefix",           { 0xF0, 0x4E, 0x7F, 0xF7 },             false, false },
        { "echo of the query",      { 0xF0, 0x4E, 0x7F, 0x0D, 0x78, 0xF7 }, true,  false },
        { "another maker",          { 0xF0, 0x43, 0x7F, 0x0D, 0x0D, 0xF7 }, false, false },
        { "wrong third byte",       { 0xF0, 0x4E, 0x7F, 0x0E, 0x0D, 0xF7 }, false, false },
        { "acknowledge with extra", { 0xF0, 0x4E, 0x7F, 0x0D, 0x0D, 0x12, 0x34, 0xF7 }, true, true },
        { "stray bytes before F0",  { 0x7E, 0x01, 0xF0, 0x4E, 0x7F, 0x0D, 0x0D, 0xF7 }, true, true },
        { "second F0 restarts",     { 0xF0, 0x4E, 0xF0, 0x4E, 0x7F, 0x0D, 0x0D, 0xF7 }, true, true },
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        OpenLink link;
        EXPECT_EQ (link.judge ({ c.frame }, false), c.valid);
        // Judging leaves the reply stored, so it can be judged again.
        EXPECT_EQ (link.device.waitForReply (true), c.acknowledge);
    }
}

TEST (ReplyAssembly, JoinsAReplyDeliveredInPieces)
{
    OpenLink link;
    EXPECT_TRUE (link.judge ({ { 0xF0, 0x4E, 0x7F }, { 0x0D, 0x0D, 0xF7 } }, true));

    OpenLink threePieces;
    EXPECT_TRUE (threePieces.judge ({ { 0xF0 }, { 0x4E, 0x7F, 0x0D }, { 0x0D, 0xF7 } }, true));
}

TEST (ReplyAssembly, Keeps256BytesAndDropsLongerMessages)
{
    auto messageOfLength = [] (size_t length)
    {
        Bytes m (length, 0x11);
        m[0] = 0xF0; m[1] = 0x4E; m[2] = 0x7F; m[3] = 0x0D; m[4] = 0x0D;
        m.back() = 0xF7;
        return m;
    };

    OpenLink fits;
    EXPECT_TRUE (fits.judge ({ messageOfLength (256) }, true));

    OpenLink tooLong;
    EXPECT_FALSE (tooLong.judge ({ messageOfLength (257) }, false));

    // After an overflow the next reply is assembled afresh.
    EXPECT_TRUE (tooLong.judge ({ ZarvelUnitModel::makeReply (0x0D) }, true));
}

TEST (ReplyAssembly, BytesAfterAReplyAreCollectedButNeverValid)
{
    OpenLink link;
    // No F0: what these bytes form is stored, and judged at once as invalid.
    bool valid = true;
    const auto ms = millisecondsFor ([&] { valid = link.judge ({ { 0x4E, 0x7F, 0x0D, 0x0D, 0xF7 } }, false); });
    EXPECT_FALSE (valid);
    EXPECT_LT (ms, promptlyMs);
}

TEST (ReplyAssembly, BytesBeforeTheFirstF0AreDropped)
{
    // A link that has never seen an F0 collects nothing: the query's wait runs out.
    SimulatedMidiBus bus (1, 1);
    bus.answerOn (0, 0, { 0x4E, 0x7F, 0x0D, 0x0D, 0xF7 });
    USBAtmelDevice device (bus);
    bool found = true;

    EXPECT_GE (millisecondsFor ([&] { found = device.open (0); }), 990.0);
    EXPECT_FALSE (found);
}

class OtherPort final : public MidiInputPort
{
public:
    void start() override {}
    void stop() override {}
};

TEST (ReplyAssembly, AMessageFromElsewhereDropsTheStoredReplyAndIsIgnored)
{
    const auto ack = ZarvelUnitModel::makeReply (0x0D);
    const juce::MidiMessage ackMessage (ack.data(), (int) ack.size());
    OtherPort other;

    {
        OpenLink link;
        ASSERT_TRUE (link.judge ({ ack }, true));
        link.device.handleIncomingMidiMessage (nullptr, juce::MidiMessage (0xFE));
        EXPECT_FALSE (link.device.waitForReply (false));
    }
    {
        OpenLink link;
        ASSERT_TRUE (link.judge ({ ack }, true));
        link.device.handleIncomingMidiMessage (&other, ackMessage);
        // Neither the old reply nor the other port's acknowledge is there.
        EXPECT_FALSE (link.device.waitForReply (false));
    }
}

TEST (ReplyAssembly, AnAcknowledgeFollowedByAnyMessageIsLost)
{
    OpenLink link;
    EXPECT_FALSE (link.judge ({ ZarvelUnitModel::makeReply (0x0D), { 0xFE } }, true));
}

TEST (ReplyAssembly, ANonAcknowledgeFailsAtOnce)
{
    OpenLink link;
    link.unit.injectFault ('e', 0, ZarvelUnitModel::Fault::echo);
    const juce::uint8 erase[] = { 0x4E, 0x7F, 0x0D, 0x65 };
    bool acknowledged = true;

    const auto ms = millisecondsFor ([&]
    {
        link.device.sendCommand (erase, 4);
        acknowledged = link.device.waitForReply (true);
    });

    EXPECT_FALSE (acknowledged);
    EXPECT_LT (ms, promptlyMs);
    // The echo is valid, only no acknowledge.
    EXPECT_TRUE (link.device.waitForReply (false));
}

TEST (ReplyAssembly, ALateReplyAnswersTheNextCommand)
{
    OpenLink link;
    link.unit.injectFault ('e', 0, ZarvelUnitModel::Fault::lateReply);
    link.unit.injectFault ('e', 1, ZarvelUnitModel::Fault::noReply);
    const juce::uint8 erase[] = { 0x4E, 0x7F, 0x0D, 0x65 };

    link.device.sendCommand (erase, 4);
    EXPECT_FALSE (link.device.waitForReply (true));

    // Replies carry nothing that ties them to a command.
    link.device.sendCommand (erase, 4);
    EXPECT_TRUE (link.device.waitForReply (true));
}

TEST (ReplyAssembly, SendingFramesTheCommandAndDropsTheStoredReply)
{
    OpenLink link;
    link.unit.injectFault ('V', 1, ZarvelUnitModel::Fault::noReply);
    ASSERT_TRUE (link.judge ({ ZarvelUnitModel::makeReply (0x0D) }, true));

    const juce::uint8 version[] = { 0x4E, 0x7F, 0x0D, 0x56 };
    link.device.sendCommand (version, 4);
    EXPECT_FALSE (link.device.waitForReply (false));

    const auto sent = link.bus.getSent();
    ASSERT_EQ (sent.size(), 1u);
    EXPECT_EQ (sent[0].bytes, (Bytes { 0xF0, 0x4E, 0x7F, 0x0D, 0x56, 0xF7 }));
}

TEST (ReplyAssembly, WithNoOutputNothingIsSentAndTheWaitRunsOut)
{
    ZarvelUnitModel unit;
    SimulatedMidiBus bus (1, 1);
    bus.attachUnit (unit, 0, 0);
    USBAtmelDevice device (bus);

    const juce::uint8 query[] = { 0x4E, 0x7F, 0x0D, 0x78 };
    device.sendCommand (query, 4);
    EXPECT_FALSE (device.waitForReply (false));
    EXPECT_TRUE (bus.getSent().empty());
}

} // namespace
} // namespace zarvel
