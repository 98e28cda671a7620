// The PCX reader on arbitrary bytes; whatever it accepts must survive a round trip through the
// PCX writer unchanged (every code PCX reads, it also writes).
#include "fuzz/codecs/fuzz_codec_check.h"
#include "imaging/codecs/pcx_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace tavlo;
    const codecs::Decoded decoded = fuzz::decodeBytes(data, size, codecs::readPcx);
    if (decoded.ok() && decoded.image.code() == ColourCode::Rgb32)
        return 0;  // PCX writes 32-bit colour as 24 bits: checked by the tests, not here
    fuzz::checkRoundTrip(decoded, codecs::readPcx, codecs::writePcx);
    return 0;
}
