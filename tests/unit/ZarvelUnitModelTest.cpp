#include "tools/unit/ZarvelUnitModel.h"

#include <gtest/gtest.h>

namespace zarvel
{
namespace
{

using Bytes = ZarvelUnitModel::Bytes;

std::vector<Bytes> send (ZarvelUnitModel& unit, Bytes body)
{
    Bytes message { 0xF0, 0x4E, 0x7F, 0x0D };
    message.insert (message.end(), body.begin(), body.end());
    message.push_back (0xF7);
    return unit.receive (message.data(), message.size());
}

const Bytes ack = ZarvelUnitModel::makeReply (0x0D);

TEST (ZarvelUnitModel, ProgramsAPageAtTheAddressSetLast)
{
    ZarvelUnitModel unit;
    EXPECT_EQ (send (unit, { 'e' }), std::vector<Bytes> { ack });

    for (int i = 0; i < 128; ++i)
        send (unit, { (std::uint8_t) (i % 2 == 0 ? 'c' : 'C'), (std::uint8_t) (i & 0x7F), 1 });

    send (unit, { 'A', 0x00, 0x40, 0x02 }); // word 0xC0: page 3
    EXPECT_EQ (send (unit, { 'm' }), std::vector<Bytes> { ack });

    const auto& flash = unit.getFlash();
    for (int i = 0; i < 128; ++i)
        ASSERT_EQ (flash[(size_t) (3 * 128 + i)], (std::uint8_t) (0x80 | (i & 0x7F))) << i;

    EXPECT_EQ (flash[0], 0xFF);
    EXPECT_EQ (flash[4 * 128], 0xFF);
}

TEST (ZarvelUnitModel, FlashOnlyLosesBitsUntilErased)
{
    ZarvelUnitModel unit;
    auto writeFirstByte = [&] (std::uint8_t value)
    {
        send (unit, { 'A', 0, 0, 0 });
        send (unit, { 'c', (std::uint8_t) (value & 0x7F), (std::uint8_t) (value >> 7) });
        send (unit, { 'A', 0, 0, 0 });
        send (unit, { 'm' });
    };

    writeFirstByte (0xF0);
    writeFirstByte (0x0F);
    EXPECT_EQ (unit.getFlash()[0], 0x00);

    send (unit, { 'e' });
    writeFirstByte (0x0F);
    EXPECT_EQ (unit.getFlash()[0], 0x0F);
}

TEST (ZarvelUnitModel, AnswersQueryVersionAndNothingElse)
{
    ZarvelUnitModel unit (7);
    EXPECT_EQ (send (unit, { 'x' }), std::vector<Bytes> { ack });
    EXPECT_EQ (send (unit, { 'V' }), std::vector<Bytes> { ZarvelUnitModel::makeReply (7) });
    EXPECT_EQ (send (unit, { 'Z' }), std::vector<Bytes> { ZarvelUnitModel::makeReply (0x3F) });

    const Bytes otherMaker { 0xF0, 0x43, 0x7F, 0x0D, 'x', 0xF7 };
    EXPECT_TRUE (unit.receive (otherMaker.data(), otherMaker.size()).empty());
}

TEST (ZarvelUnitModel, ReadsFaultsFromText)
{
    ZarvelUnitModel unit;
    EXPECT_TRUE (unit.injectFault ("c:3:no-reply"));
    EXPECT_TRUE (unit.injectFault ("0:echo"));
    EXPECT_FALSE (unit.injectFault ("c:3:no-such-fault"));
    EXPECT_FALSE (unit.injectFault ("cc:3:echo"));
    EXPECT_FALSE (unit.injectFault ("c:x:echo"));
    EXPECT_FALSE (unit.injectFault ("echo"));

    const Bytes query { 0xF0, 0x4E, 0x7F, 0x0D, 'x', 0xF7 };
    EXPECT_EQ (send (unit, { 'x' }), std::vector<Bytes> { query });

    for (int i = 0; i < 3; ++i)
        EXPECT_EQ (send (unit, { 'c', 1, 0 }).size(), 1u);

    EXPECT_TRUE (send (unit, { 'c', 1, 0 }).empty());
}

TEST (ZarvelUnitModel, ALateReplyComesBeforeTheNextOne)
{
    ZarvelUnitModel unit;
    unit.injectFault ('x', 0, ZarvelUnitModel::Fault::lateReply);
    EXPECT_TRUE (send (unit, { 'x' }).empty());
    EXPECT_EQ (send (unit, { 'x' }), (std::vector<Bytes> { ack, ack }));
}

} // namespace
} // namespace zarvel
