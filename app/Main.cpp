#include "app/Pellam.h"

namespace
{
    juce::JUCEApplicationBase* createApplication()
    {
        return new zarvel::Pellam();
    }
}

int main (int argc, char* argv[])
{
    // The runner takes the single-instance lock, runs the application and deletes it.
    juce::JUCEApplicationBase::createInstance = &createApplication;
    juce::JUCEApplicationBase::main (argc, const_cast<const char**> (argv));
    return 0;
}
