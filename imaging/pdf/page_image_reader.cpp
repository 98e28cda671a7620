#include "imaging/pdf/page_image_reader.h"

#include "imaging/codecs/format_sniffer.h"
#include "imaging/codecs/image_file.h"
#include "imaging/codecs/jpeg_codec.h"
#include "imaging/pdf/pdf_image_encoder.h"

#include <QBuffer>
#include <QFile>

namespace tavlo::pdf {
namespace {

QString passJpeg(const QByteArray& bytes, PdfImage& out)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    codecs::JpegFacts facts;
    if (QString reason = codecs::checkJpeg(buffer, facts); !reason.isEmpty())
        return reason;
    out = PdfImage();
    out.width = facts.width;
    out.height = facts.height;
    out.colours = facts.components == 1   ? PdfImage::Colours::Grey
                  : facts.components == 4 ? PdfImage::Colours::Cmyk
                                          : PdfImage::Colours::Rgb;
    out.inverted = facts.adobeCmyk;
    out.filter = PdfImage::Filter::Dct;
    out.data = bytes;
    out.dpiX = facts.dpiX;
    out.dpiY = facts.dpiY;
    out.orientation = facts.orientation;
    return QString();
}

}  // namespace

QString readPageImage(const QString& path, PdfImage& out)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly) &&
        codecs::sniffFormat(file.peek(codecs::kSniffBytes)) == codecs::ImageFormat::Jpeg) {
        const QByteArray bytes = file.readAll();
        if (file.error() == QFileDevice::NoError)
            return passJpeg(bytes, out);
    }
    // Everything else, and every failure to open or read, takes the usual way with its reasons.
    const codecs::Decoded decoded = codecs::readImageFile(path);
    if (!decoded.ok())
        return decoded.error;
    return encodePdfImage(decoded.image, out);
}

}  // namespace tavlo::pdf
