// Arbitrary bytes through the content sniffing into whichever decoder it picks (BMP, PCX, PNG,
// JPEG, TIFF, GIF, JPEG 2000), as opening any file does; whatever is accepted must be a valid
// image that the BMP writer can write.
#include "fuzz/codecs/fuzz_codec_check.h"
#include "imaging/codecs/bmp_codec.h"
#include "imaging/codecs/image_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace tavlo;
    const codecs::Decoded decoded =
        fuzz::decodeBytes(data, size, [](QIODevice& in) { return codecs::readImage(in); });
    fuzz::checkRoundTrip(decoded, codecs::readBmp, codecs::writeBmp);
    return 0;
}
