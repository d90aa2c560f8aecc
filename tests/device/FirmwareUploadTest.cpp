#include "device/FirmwareImage.h"
#include "device/UpdateState.h"
#include "tests/support/DeviceFixtures.h"

namespace zarvel
{
namespace
{

using Fault = ZarvelUnitModel::Fault;

constexpr int pageSize = 128;

Bytes carriedImage()
{
    return Bytes (firmwareImage, firmwareImage + firmwareImageSize);
}

Bytes frame (std::initializer_list<juce::uint8> body)
{
    Bytes f { 0xF0, 0x4E, 0x7F, 0x0D };
    f.insert (f.end(), body);
    f.push_back (0xF7);
    return f;
}

Bytes setAddressFrame (int page)
{
    const int high = page >> 2, low = (page & 3) << 6;
    return frame ({ 0x41, (juce::uint8) (high & 0x7F), (juce::uint8) (low & 0x7F),
                    (juce::uint8) ((high >= 0x80 ? 1 : 0) | (low >= 0x80 ? 2 : 0)) });
}

/** Every frame a whole upload of the image sends, in order, written out independently. */
std::vector<Bytes> expectedUpload (const Bytes& image)
{
    std::vector<Bytes> frames { frame ({ 0x65 }), frame ({ 0x41, 0, 0, 0 }) };
    const int pages = (int) image.size() / pageSize;

    for (int page = 0; page < pages; ++page)
    {
        for (int offset = 0; offset < pageSize; ++offset)
        {
            const auto byte = image[(size_t) (page * pageSize + offset)];
            frames.push_back (frame ({ (juce::uint8) (offset % 2 == 0 ? 'c' : 'C'),
                                       (juce::uint8) (byte & 0x7F), (juce::uint8) (byte >> 7) }));
        }

        frames.push_back (setAddressFrame (page));
        frames.push_back (frame ({ 0x6D }));
    }

    return frames;
}

std::vector<Bytes> sentFrames (const SimulatedMidiBus& bus)
{
    std::vector<Bytes> frames;

    for (auto& s : bus.getSent())
        frames.push_back (s.bytes);

    return frames;
}

/** The unit's flash holds exactly the first `pages` pages of the image, and is erased elsewhere. */
void expectFlashHolds (const ZarvelUnitModel& unit, const Bytes& image, int pages)
{
    const auto& flash = unit.getFlash();
    const auto written = (size_t) (pages * pageSize);

    EXPECT_TRUE (std::equal (image.begin(), image.begin() + (long) written, flash.begin()));
    EXPECT_TRUE (std::all_of (flash.begin() + (long) written, flash.end(), [] (auto b) { return b == 0xFF; }))
        << "something landed beyond page " << pages - 1;
}

struct Upload : public ::testing::Test
{
    OpenLink link;
    IdleWorker worker;
    Bytes image = carriedImage();

    bool run()    { return link.device.programImage (&worker, image.data(), (int) image.size()); }
};

//==============================================================================
TEST_F (Upload, TheCarriedImageLandsByteForByteInUploadOrder)
{
    ASSERT_EQ (firmwareImageSize, 24832);
    EXPECT_TRUE (link.device.programFirmware (&worker));

    expectFlashHolds (link.unit, image, 194);
    EXPECT_EQ (link.unit.getNumPageWrites(), 194);

    const auto sent = sentFrames (link.bus);
    ASSERT_EQ (sent.size(), 25222u);
    EXPECT_EQ (sent, expectedUpload (image));

    // The page addresses in words, high byte first, eighth bits in the flags.
    const std::pair<int, Bytes> addresses[] = {
        { 0,   { 0xF0, 0x4E, 0x7F, 0x0D, 0x41, 0x00, 0x00, 0x00, 0xF7 } },
        { 1,   { 0xF0, 0x4E, 0x7F, 0x0D, 0x41, 0x00, 0x40, 0x00, 0xF7 } },
        { 2,   { 0xF0, 0x4E, 0x7F, 0x0D, 0x41, 0x00, 0x00, 0x02, 0xF7 } },
        { 3,   { 0xF0, 0x4E, 0x7F, 0x0D, 0x41, 0x00, 0x40, 0x02, 0xF7 } },
        { 4,   { 0xF0, 0x4E, 0x7F, 0x0D, 0x41, 0x01, 0x00, 0x00, 0xF7 } },
        { 193, { 0xF0, 0x4E, 0x7F, 0x0D, 0x41, 0x30, 0x40, 0x00, 0xF7 } },
    };

    for (auto& [page, expected] : addresses)
        EXPECT_EQ (sent[(size_t) (2 + page * 130 + 128)], expected) << "page " << page;

    EXPECT_EQ (sent[1], addresses[0].second);
    EXPECT_EQ (sent.back(), (Bytes { 0xF0, 0x4E, 0x7F, 0x0D, 0x6D, 0xF7 }));

    EXPECT_EQ (updateProgress.load(), (double) (24831.0f / 24832.0f));
}

TEST_F (Upload, SplitsEachByteIntoSevenBitsAndAFlag)
{
    image.assign (pageSize, 0);
    image[0] = 0xC5; image[1] = 0x45; image[2] = 0xFF; image[3] = 0x80; image[4] = 0x7F;

    EXPECT_TRUE (run());
    const auto sent = sentFrames (link.bus);
    ASSERT_EQ (sent.size(), 2u + 130u);

    EXPECT_EQ (sent[2], (Bytes { 0xF0, 0x4E, 0x7F, 0x0D, 0x63, 0x45, 0x01, 0xF7 }));
    EXPECT_EQ (sent[3], (Bytes { 0xF0, 0x4E, 0x7F, 0x0D, 0x43, 0x45, 0x00, 0xF7 }));
    EXPECT_EQ (sent[4], (Bytes { 0xF0, 0x4E, 0x7F, 0x0D, 0x63, 0x7F, 0x01, 0xF7 }));
    EXPECT_EQ (sent[5], (Bytes { 0xF0, 0x4E, 0x7F, 0x0D, 0x43, 0x00, 0x01, 0xF7 }));
    EXPECT_EQ (sent[6], (Bytes { 0xF0, 0x4E, 0x7F, 0x0D, 0x63, 0x7F, 0x00, 0xF7 }));
    expectFlashHolds (link.unit, image, 1);
}

TEST_F (Upload, SendsNothingWithoutAWorkerAStopRequestOrAnImage)
{
    EXPECT_FALSE (link.device.programImage (nullptr, image.data(), (int) image.size()));
    EXPECT_FALSE (link.device.programImage (&worker, image.data(), 0));
    EXPECT_FALSE (link.device.programImage (&worker, nullptr, 24832));

    worker.signalThreadShouldExit();
    EXPECT_FALSE (run());

    EXPECT_TRUE (link.bus.getSent().empty());
    EXPECT_EQ (link.unit.getNumPageWrites(), 0);
}

//==============================================================================
struct FailureCase
{
    const char* what;
    char letter;
    int occurrence;
    Fault fault;
    size_t framesSent;     // how far the upload got
    int pagesWritten;      // pages the unit acknowledged as written
};

TEST_F (Upload, EndsAtTheFirstMissingAcknowledgeWithNothingUnacknowledgedWritten)
{
    const FailureCase cases[] = {
        { "no acknowledge to the erase",       'e', 0,   Fault::noReply,     1,                 0 },
        { "no acknowledge to address 0",       'A', 0,   Fault::noReply,     2,                 0 },
        { "no acknowledge to a data byte",     'C', 70,  Fault::noReply,     2 + 130 + 14,      1 },
        { "a refused data byte",               'c', 0,   Fault::refuse,      3,                 0 },
        { "an echoed data byte",               'c', 300, Fault::echo,        2 + 4 * 130 + 89,  4 },
        { "a data byte answered too late",     'c', 65,  Fault::lateReply,   2 + 130 + 3,       1 },
        { "an over-long reply",                'C', 0,   Fault::overLong,    4,                 0 },
        { "another maker's acknowledge",       'c', 1,   Fault::wrongPrefix, 5,                 0 },
        { "a lost acknowledge to a page write", 'm', 1,  Fault::ackLost,     2 + 2 * 130,       2 },
        { "no acknowledge to a page write",    'm', 3,   Fault::noReply,     2 + 4 * 130,       3 },
        { "a refused page write",              'm', 0,   Fault::refuse,      2 + 130,           0 },
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        OpenLink fresh;
        IdleWorker freshWorker;
        fresh.unit.injectFault (c.letter, c.occurrence, c.fault);

        EXPECT_FALSE (fresh.device.programImage (&freshWorker, image.data(), (int) image.size()));

        const auto sent = sentFrames (fresh.bus);
        const auto expected = expectedUpload (image);
        ASSERT_EQ (sent.size(), c.framesSent);
        EXPECT_TRUE (std::equal (sent.begin(), sent.end(), expected.begin()));
        expectFlashHolds (fresh.unit, image, c.pagesWritten);
    }
}

TEST_F (Upload, AReplyThatIsNoAcknowledgeFailsAtOnce)
{
    link.unit.injectFault ('c', 10, Fault::refuse);
    bool result = true;

    EXPECT_LT (millisecondsFor ([&] { result = run(); }), promptlyMs);
    EXPECT_FALSE (result);
}

TEST_F (Upload, ProgressShowsTheByteWhoseAcknowledgeWasMissing)
{
    link.unit.injectFault ('C', 70, Fault::noReply); // image byte 141
    EXPECT_FALSE (run());
    EXPECT_EQ (updateProgress.load(), (double) (141.0f / 24832.0f));
}

TEST_F (Upload, ProgressIsUntouchedUntilTheFirstDataByte)
{
    updateProgress = 0.5;
    link.unit.injectFault ('A', 0, Fault::noReply);
    EXPECT_FALSE (run());
    EXPECT_EQ (updateProgress.load(), 0.5);
}

TEST_F (Upload, TheAcknowledgeOfAPagesAddressDecidesNothing)
{
    link.unit.injectFault ('A', 1, Fault::echo);    // after page 0: answered, but no acknowledge
    link.unit.injectFault ('A', 6, Fault::ackLost); // after page 5: costs one wait

    EXPECT_TRUE (run());
    EXPECT_EQ (sentFrames (link.bus), expectedUpload (image));
    // The unit did not take page 0's address: page 0 went where its address had moved on
    // to (page 1), and page 1's own write was laid over it. The upload still succeeds.
    EXPECT_EQ (link.unit.getNumPageWrites(), 194);
}

TEST_F (Upload, SurvivesRepliesThatArriveInPiecesOrWithStrayBytes)
{
    link.unit.injectFault ('e', 0, Fault::splitReply);
    link.unit.injectFault ('c', 7, Fault::splitReply);
    link.unit.injectFault ('m', 2, Fault::leadingBytes);

    EXPECT_TRUE (run());
    expectFlashHolds (link.unit, image, 194);
}

//==============================================================================
/** Asks the worker to stop when the given frame (by index) goes out. */
void stopWhenSent (Upload& upload, size_t frameIndex)
{
    auto count = std::make_shared<size_t> (0);
    upload.link.bus.setSendObserver ([&worker = upload.worker, count, frameIndex] (const Bytes&)
    {
        if ((*count)++ == frameIndex)
            worker.signalThreadShouldExit();
    });
}

TEST_F (Upload, AStopDuringAPageEndsAfterTheByteOnItsWay)
{
    stopWhenSent (*this, 2 + 130 + 40); // page 1, byte 40
    EXPECT_FALSE (run());

    const auto sent = sentFrames (link.bus);
    EXPECT_EQ (sent.size(), 2u + 130 + 41);
    expectFlashHolds (link.unit, image, 1);
}

TEST_F (Upload, AStopDuringAPageWriteEndsAfterTheNextPagesFirstByte)
{
    stopWhenSent (*this, 2 + 130 + 129); // page 1's page write
    EXPECT_FALSE (run());

    EXPECT_EQ (sentFrames (link.bus).size(), 2u + 2 * 130 + 1);
    expectFlashHolds (link.unit, image, 2);
}

TEST_F (Upload, AStopAfterTheLastByteStillWritesTheLastPage)
{
    stopWhenSent (*this, 2 + 194 * 130 - 2); // the last page's address
    EXPECT_TRUE (run());
    expectFlashHolds (link.unit, image, 194);
}

//==============================================================================
TEST_F (Upload, SendsOnlyWholePages)
{
    for (int extra = 0; extra < 128; ++extra)
        image.push_back ((juce::uint8) (0x80 | extra));

    image.resize (24832 + 68);
    EXPECT_TRUE (run());
    EXPECT_EQ (sentFrames (link.bus).size(), 25222u);
    expectFlashHolds (link.unit, image, 194);
    EXPECT_EQ (updateProgress.load(), (double) (24831.0f / 24832.0f));
}

TEST_F (Upload, AnImageShorterThanAPageIsOnlyEraseAndAddress)
{
    for (int size : { 1, 64, 127 })
    {
        SCOPED_TRACE (size);
        OpenLink fresh;
        IdleWorker freshWorker;
        updateProgress = 0.25;

        EXPECT_TRUE (fresh.device.programImage (&freshWorker, image.data(), size));
        EXPECT_EQ (sentFrames (fresh.bus), (std::vector<Bytes> { frame ({ 0x65 }), frame ({ 0x41, 0, 0, 0 }) }));
        EXPECT_EQ (updateProgress.load(), 0.25);
        expectFlashHolds (fresh.unit, image, 0);
    }
}

TEST (UploadWithoutALink, FailsAfterOneWaitAndSendsNothing)
{
    SimulatedMidiBus bus (1, 1);
    USBAtmelDevice device (bus);
    IdleWorker worker;

    EXPECT_FALSE (device.programFirmware (&worker));
    EXPECT_TRUE (bus.getSent().empty());
}

} // namespace
} // namespace zarvel
