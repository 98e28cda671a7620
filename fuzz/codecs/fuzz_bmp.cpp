// The BMP reader on arbitrary bytes; whatever it accepts must survive a round trip through the
// BMP writer unchanged.
#include "fuzz/codecs/fuzz_codec_check.h"
#include "imaging/codecs/bmp_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace tavlo;
    const codecs::Decoded decoded = fuzz::decodeBytes(data, size, codecs::readBmp);
    fuzz::checkRoundTrip(decoded, codecs::readBmp, codecs::writeBmp);
    return 0;
}
