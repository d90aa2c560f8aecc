#pragma once

#include <juce_core/juce_core.h>

namespace zarvel
{

/** A thread object the upload can ask whether to stop; it never runs. */
struct IdleWorker final : public juce::Thread
{
    IdleWorker() : juce::Thread ("idle worker") {}
    void run() override {}
};

} // namespace zarvel
