#pragma once

#include <juce_graphics/juce_graphics.h>

namespace zarvel
{

/** PNG decoding that survives any damage: Debian's JUCE, built on the system
    libpng, crashes on a PNG stream that fails part-way, so pictures are read by
    libpng directly, whose errors unwind. Anything that is not a whole, intact PNG
    file, down to its end chunk, gives an invalid image.
*/
juce::Image decodePicture (const void* data, size_t size);

/** A picture file decoded as above, shared through JUCE's ImageCache as
    ImageCache::getFromFile would share it.
*/
juce::Image loadCachedPicture (const juce::File& file);

} // namespace zarvel
