// Picture bytes as the program may meet them, damaged in any way: decoded from
// memory and, written to a file, through the image cache. Either gives an image
// or an invalid one, and both give the same.
#include "app/PictureDecoding.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdio>
#include <cstdlib>

namespace
{
    void check (bool condition, const char* what)
    {
        if (! condition)
        {
            std::fprintf (stderr, "fuzz_pictures: %s\n", what);
            std::abort();
        }
    }

    // Reads the corners, so that a picture with fewer pixels than it claims shows.
    void touchPixels (const juce::Image& image)
    {
        check (image.getWidth() > 0 && image.getHeight() > 0, "a valid picture without pixels");
        const auto right = image.getWidth() - 1, bottom = image.getHeight() - 1;
        juce::ignoreUnused (image.getPixelAt (0, 0), image.getPixelAt (right, bottom),
                            image.getPixelAt (right, 0), image.getPixelAt (0, bottom));
    }

    const juce::File& getPictureFile()
    {
        static const juce::TemporaryFile file (".png");
        return file.getFile();
    }
}

extern "C" int LLVMFuzzerInitialize (int*, char***);
extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size);

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    // The image cache runs a timer: JUCE is set up as in the program. Never shut
    // down: at exit JUCE's own statics may already be gone.
    juce::initialiseJuce_GUI();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    const auto fromMemory = zarvel::decodePicture (data, size);

    if (fromMemory.isValid())
        touchPixels (fromMemory);

    const auto& file = getPictureFile();
    check (file.replaceWithData (data, size), "the picture file could not be written");

    {
        const auto fromFile = zarvel::loadCachedPicture (file);

        if (fromFile.isValid())
            touchPixels (fromFile);

        check (fromFile.isValid() == fromMemory.isValid(), "memory and file disagree on validity");
        check (fromFile.getBounds() == fromMemory.getBounds(), "memory and file disagree on size");
    }

    // The cache keys on the file's path: each input is read afresh.
    juce::ImageCache::releaseUnusedImages();
    return 0;
}
