// Picture bytes as the program may meet them, damaged in any way: decoded from
// memory and, written to a file, through the image cache. Either gives an image
// or an invalid one, and both give the same.
#include "app/PictureDecoding.h"

#include <juce_gui_basics/juce_gui_basics.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

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

    // Nearly every mutation breaks a chunk's checksum, and the reader stops there.
    // A copy with every checksum put right takes the fuzzer past it, into the
    // header's forms, the image data and what follows.
    std::vector<uint8_t> withChecksumsMended (const uint8_t* data, size_t size)
    {
        std::vector<uint8_t> mended (data, data + size);
        size_t pos = 8;

        while (pos + 12 <= size)
        {
            const auto length = (size_t) data[pos] << 24 | (size_t) data[pos + 1] << 16
                              | (size_t) data[pos + 2] << 8 | (size_t) data[pos + 3];

            if (length > size - pos - 12)
                break;

            const auto crc = crc32 (0, data + pos + 4, (uInt) (length + 4));
            auto* out = mended.data() + pos + 8 + length;
            out[0] = (uint8_t) (crc >> 24);
            out[1] = (uint8_t) (crc >> 16);
            out[2] = (uint8_t) (crc >> 8);
            out[3] = (uint8_t) crc;
            pos += length + 12;
        }

        return mended;
    }

    void decodeFromMemory (const uint8_t* data, size_t size)
    {
        const auto picture = zarvel::decodePicture (data, size);

        if (picture.isValid())
            touchPixels (picture);
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

    if (size > 8)
    {
        const auto mended = withChecksumsMended (data, size);
        decodeFromMemory (mended.data(), mended.size());
    }

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
