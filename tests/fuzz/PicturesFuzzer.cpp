// Picture bytes as the program may meet them, damaged in any way. Every picture
// the decoder accepts must be the one JUCE's own reader makes of the same bytes:
// the same form, size and stored pixels.
#include "app/PictureDecoding.h"
#include "tests/support/PixelComparison.h"

#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{
    // Nearly every mutation breaks a chunk's checksum, and the reader stops there.
    // A copy with every checksum put right takes the fuzzer past it, into the
    // header's forms, the image data and what follows.
    std::vector<uint8_t> withChecksumsMended (const uint8_t* data, size_t size)
    {
        std::vector<uint8_t> mended (data, data + size);
        size_t pos = 8;

        while (pos + 12 <= size)
        {
            const size_t length = png_get_uint_32 (data + pos);

            if (length > size - pos - 12)
                break;

            png_save_uint_32 (mended.data() + pos + 8 + length, (png_uint_32) crc32 (0, data + pos + 4, (uInt) (length + 4)));
            pos += length + 12;
        }

        return mended;
    }

    // JUCE's reader crashes on damage that libpng reports part-way, so it is given
    // only what ours accepted: bytes that libpng reads to their end without an error.
    void compareWithJucesReader (const uint8_t* data, size_t size)
    {
        const auto picture = zarvel::decodePicture (data, size);

        if (! picture.isValid())
            return;

        juce::MemoryInputStream in (data, size, false);
        const auto difference = zarvel::test::describePixelDifference (picture, juce::PNGImageFormat().decodeImage (in));

        if (difference.isNotEmpty())
        {
            std::fprintf (stderr, "fuzz_pictures: not the picture JUCE's reader gives: %s\n", difference.toRawUTF8());
            std::abort();
        }
    }
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size);

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    compareWithJucesReader (data, size);

    if (size > 8)
    {
        const auto mended = withChecksumsMended (data, size);
        compareWithJucesReader (mended.data(), mended.size());
    }

    return 0;
}
