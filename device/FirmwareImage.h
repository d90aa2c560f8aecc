#pragma once

namespace zarvel
{

/** The firmware image the program carries, sent to the unit as stored. */
extern const unsigned char firmwareImage[];
extern const int firmwareImageSize;

} // namespace zarvel
