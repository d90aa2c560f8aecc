#pragma once

#include <juce_graphics/juce_graphics.h>

#include <cstring>

namespace zarvel::test
{

/** What tells two pictures apart, stored bytes included (an ARGB pixel is kept
    premultiplied); empty when they are the same.
*/
inline juce::String describePixelDifference (const juce::Image& actual, const juce::Image& expected)
{
    if (actual.isValid() != expected.isValid())
        return actual.isValid() ? "a picture where none was expected" : "no picture";

    if (actual.getFormat() != expected.getFormat())
        return "pixel format " + juce::String ((int) actual.getFormat())
             + " instead of " + juce::String ((int) expected.getFormat());

    if (actual.getBounds() != expected.getBounds())
        return "size " + actual.getBounds().toString() + " instead of " + expected.getBounds().toString();

    if (actual.isNull())
        return {};

    const juce::Image::BitmapData a (actual, juce::Image::BitmapData::readOnly);
    const juce::Image::BitmapData e (expected, juce::Image::BitmapData::readOnly);

    for (int y = 0; y < a.height; ++y)
    {
        if (std::memcmp (a.getLinePointer (y), e.getLinePointer (y), (size_t) (a.width * a.pixelStride)) == 0)
            continue;

        for (int x = 0; x < a.width; ++x)
        {
            const auto* p = a.getPixelPointer (x, y);
            const auto* q = e.getPixelPointer (x, y);

            if (std::memcmp (p, q, (size_t) a.pixelStride) != 0)
                return "pixel " + juce::String (x) + ", " + juce::String (y) + ": "
                     + juce::String::toHexString (p, a.pixelStride) + " instead of "
                     + juce::String::toHexString (q, e.pixelStride);
        }
    }

    return {};
}

} // namespace zarvel::test
