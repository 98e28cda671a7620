// The FlashPix reader on arbitrary bytes. Whatever it accepts must be a valid image that the
// FlashPix writer writes and the reader reads back at the same size and code (the tiles are JPEG,
// so the pixels are not compared).
#include "fuzz/codecs/fuzz_codec_check.h"
#include "imaging/codecs/flashpix_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace tavlo;
    const codecs::Decoded decoded = fuzz::decodeBytes(data, size, codecs::readFlashPix);
    fuzz::checkRoundTrip(
        decoded, codecs::readFlashPix,
        [](const Image& image, QIODevice& out) { return codecs::writeFlashPix(image, out, 80); },
        true);
    return 0;
}
