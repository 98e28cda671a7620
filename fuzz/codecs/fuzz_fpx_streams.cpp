// The FlashPix streams without the container in the way: the input is split into the image
// contents property set, the subimage header and the subimage data (two 16-bit little-endian
// lengths first, the data taking the rest), which are put into a compound file whose every
// resolution holds the same two streams, and read. fuzz_fpx covers the container as well.
#include "fuzz/codecs/fuzz_codec_check.h"
#include "imaging/codecs/compound_writer.h"
#include "imaging/codecs/flashpix_codec.h"
#include "imaging/codecs/flashpix_format.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace tavlo;
    using namespace tavlo::codecs;
    if (size < 4)
        return 0;
    const size_t contentsLength = std::min<size_t>(size - 4, size_t(data[0] | (data[1] << 8)));
    const size_t headerLength =
        std::min<size_t>(size - 4 - contentsLength, size_t(data[2] | (data[3] << 8)));
    const auto bytes = [data](size_t from, size_t length) {
        return QByteArray(reinterpret_cast<const char*>(data + from), qsizetype(length));
    };
    const QByteArray contents = bytes(4, contentsLength);
    const QByteArray header = bytes(4 + contentsLength, headerLength);
    const QByteArray tiles =
        bytes(4 + contentsLength + headerLength, size - 4 - contentsLength - headerLength);
    CompoundWriter writer;
    writer.root().setClassId(flashpix::classId(flashpix::kImageViewClass));
    {
        CompoundWriter::Storage store = writer.root().storage(
            flashpix::kImageObject, flashpix::classId(flashpix::kImageObjectClass));
        store.stream(flashpix::kImageContents, contents);
        for (int level = 0; level < 4; ++level) {
            CompoundWriter::Storage resolution = store.storage(
                flashpix::resolutionName(level), flashpix::classId(flashpix::kResolutionClass));
            resolution.stream(flashpix::kSubimageHeader, header);
            resolution.stream(flashpix::kSubimageData, tiles);
        }
    }
    QByteArray file = writer.finish();
    const codecs::Decoded decoded =
        fuzz::decodeBytes(reinterpret_cast<const uint8_t*>(file.constData()), size_t(file.size()),
                          codecs::readFlashPix);
    fuzz::checkRoundTrip(
        decoded, codecs::readFlashPix,
        [](const Image& image, QIODevice& out) { return codecs::writeFlashPix(image, out, 80); },
        true);
    return 0;
}
