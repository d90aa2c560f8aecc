// The upload of the carried image to a simulated unit that answers at once from
// its own thread: what the link itself costs per acknowledged command.
#include "device/FirmwareImage.h"
#include "device/USBAtmelDevice.h"
#include "tests/support/IdleWorker.h"
#include "tests/support/SimulatedMidiBus.h"

#include <benchmark/benchmark.h>

namespace zarvel
{
namespace
{

void wholeUpload (benchmark::State& state)
{
    constexpr int commandsPerUpload = 25222;

    for (auto _ : state)
    {
        state.PauseTiming();
        ZarvelUnitModel unit;
        SimulatedMidiBus bus (1, 1);
        bus.attachUnit (unit, 0, 0);
        USBAtmelDevice device (bus);
        IdleWorker worker;

        if (! device.open (0))
            state.SkipWithError ("the simulated unit was not found");

        state.ResumeTiming();

        if (! device.programFirmware (&worker))
            state.SkipWithError ("the upload failed");
    }

    // Seconds per acknowledged command (printed with an SI prefix, e.g. 18u = 18 µs).
    state.counters["per_command"] = benchmark::Counter (
        commandsPerUpload, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK (wholeUpload)->Unit (benchmark::kMillisecond)->UseRealTime()->MinTime (3.0);

} // namespace
} // namespace zarvel

BENCHMARK_MAIN();
