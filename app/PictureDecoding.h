#pragma once

#include <juce_graphics/juce_graphics.h>

namespace zarvel
{

/** JUCE's image loading, made safe against damaged PNG data: Debian's JUCE, built
    on the system libpng, crashes on a PNG stream that fails part-way. Bytes that
    JUCE would read as PNG are first read by libpng's own reader, which fails
    cleanly; anything it refuses gives an invalid image.
*/
juce::Image decodePicture (const void* data, size_t size);

/** ImageCache::getFromFile, with the same check of the file's bytes first. */
juce::Image loadCachedPicture (const juce::File& file);

} // namespace zarvel
