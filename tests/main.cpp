#include <gtest/gtest.h>

#include <juce_gui_basics/juce_gui_basics.h>

namespace
{
    // JUCE installs its X error handler only for a standalone application: without
    // it, the first harmless X error of a bare X server would end the run.
    juce::JUCEApplicationBase* noApplication()    { return nullptr; }
}

int main (int argc, char** argv)
{
    juce::JUCEApplicationBase::createInstance = &noApplication;
    const juce::ScopedJuceInitialiser_GUI juceInitialiser;
    ::testing::InitGoogleTest (&argc, argv);
    return RUN_ALL_TESTS();
}
