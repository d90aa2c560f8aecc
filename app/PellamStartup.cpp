#include "app/Pellam.h"

namespace zarvel
{

// Filled by the wizard.
void Pellam::initialise (const juce::String&) {}
void Pellam::shutdown() {}

} // namespace zarvel
