// A benchmark, not a test: the sequencer's and the emulator's share of each
// command, without JUCE or the device link. A bare alsa-lib client sends the
// emulator data-byte commands, one at a time, and waits for each acknowledge.
//
//   zarvel-sequencer-round-trip EMULATOR [ROUND_TRIPS]
//
// The device link's own share is zarvel_benchmarks (simulated ports, in
// process); the whole upload through JUCE and the sequencer is timed by
// zarvel-alsa-device-link-check.

#include <alsa/asoundlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>
#include <chrono>
#include <cstdio>
#include <signal.h>
#include <unistd.h>

namespace
{

using Clock = std::chrono::steady_clock;

double percentile (std::vector<double> values, double p)
{
    std::sort (values.begin(), values.end());
    return values[(size_t) (p * (double) (values.size() - 1))];
}

int sequencer (const char* emulator, int roundTrips)
{
    const pid_t pid = fork();

    if (pid == 0)
    {
        execl (emulator, emulator, "--quiet", (char*) nullptr);
        _exit (127);
    }

    snd_seq_t* seq = nullptr;

    if (snd_seq_open (&seq, "default", SND_SEQ_OPEN_DUPLEX, 0) < 0)
        return 1;

    snd_seq_set_client_name (seq, "Zarvel upload benchmark");
    const int port = snd_seq_create_simple_port (seq, "bench",
                                                 SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_WRITE,
                                                 SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    snd_seq_addr_t unit {};
    bool found = false;

    for (int i = 0; i < 500 && ! found; ++i, usleep (10000))
        found = snd_seq_parse_address (seq, &unit, "Zarvel Unit Emulator") == 0;

    if (! found || snd_seq_connect_to (seq, port, unit.client, unit.port) < 0
         || snd_seq_connect_from (seq, port, unit.client, unit.port) < 0)
    {
        std::fprintf (stderr, "the emulator's port did not appear\n");
        kill (pid, SIGTERM);
        waitpid (pid, nullptr, 0);
        return 1;
    }

    // A data-byte command, as the upload sends 24832 of them.
    unsigned char command[] = { 0xF0, 0x4E, 0x7F, 0x0D, 0x63, 0x45, 0x01, 0xF7 };
    std::vector<double> us;
    us.reserve ((size_t) roundTrips);
    int lost = 0;

    for (int i = 0; i < roundTrips; ++i)
    {
        snd_seq_event_t event;
        snd_seq_ev_clear (&event);
        snd_seq_ev_set_sysex (&event, sizeof (command), command);
        snd_seq_ev_set_source (&event, port);
        snd_seq_ev_set_subs (&event);
        snd_seq_ev_set_direct (&event);

        const auto start = Clock::now();
        snd_seq_event_output_direct (seq, &event);

        snd_seq_event_t* reply = nullptr;

        if (snd_seq_event_input (seq, &reply) < 0 || reply->type != SND_SEQ_EVENT_SYSEX || reply->data.ext.len != 6)
            ++lost;

        us.push_back (std::chrono::duration<double, std::micro> (Clock::now() - start).count());
    }

    double sum = 0;

    for (auto t : us)
        sum += t;

    std::printf ("sequencer and emulator round trip (%d data-byte commands, %d unexpected replies): "
                 "mean %.1f us, p50 %.1f us, p99 %.1f us, max %.1f us\n",
                 roundTrips, lost, sum / (double) us.size(), percentile (us, 0.5), percentile (us, 0.99), percentile (us, 1.0));

    snd_seq_close (seq);
    kill (pid, SIGTERM);
    waitpid (pid, nullptr, 0);
    return lost == 0 ? 0 : 1;
}

} // namespace

int main (int argc, char** argv)
{
    if (argc > 1)
        return sequencer (argv[1], argc > 2 ? std::max (1, std::atoi (argv[2])) : 25222);

    std::fprintf (stderr, "usage: %s EMULATOR [ROUND_TRIPS]\n", argv[0]);
    return 2;
}
