#pragma once

#include "device/USBAtmelDevice.h"
#include "tests/support/IdleWorker.h"
#include "tests/support/SimulatedMidiBus.h"

#include <gtest/gtest.h>

#include <chrono>

namespace zarvel
{

using Bytes = std::vector<juce::uint8>;

/** A link held open on a simulated unit at input 0, output 0. */
struct OpenLink
{
    ZarvelUnitModel unit;
    SimulatedMidiBus bus { 1, 1 };
    USBAtmelDevice device { bus };

    OpenLink()
    {
        bus.attachUnit (unit, 0, 0);
        EXPECT_TRUE (device.open (0));
        bus.waitUntilIdle();
        bus.clearSent();
    }

    /** Delivers each message on the held input, then judges what is stored. */
    bool judge (std::initializer_list<Bytes> deliveries, bool requireAck)
    {
        for (auto& d : deliveries)
            bus.deliver (0, d);

        bus.waitUntilIdle();
        return device.waitForReply (requireAck);
    }
};

/** Milliseconds a call takes. */
template <typename Function>
double millisecondsFor (Function&& f)
{
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli> (std::chrono::steady_clock::now() - start).count();
}

// Far below the 1000 ms reply wait: a judgement made at once, not at the end of the wait.
constexpr double promptlyMs = 500.0;

} // namespace zarvel
