#include "imaging/pdf/pdf_document.h"

#include "imaging/codecs/codec_reasons.h"

#include <qpdf/Buffer.hh>
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace tavlo::pdf {
namespace {

using Object = QPDFObjectHandle;

// The end of qpdf's output: the device. A refused write stops the writer by an exception.
class DevicePipeline : public Pipeline {
public:
    explicit DevicePipeline(QIODevice& device) : Pipeline("device", nullptr), m_device(device) { }

    void write(unsigned char const* data, size_t size) override
    {
        if (m_device.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size)) {
            failed = true;
            throw std::runtime_error("write failed");
        }
    }
    void finish() override { }

    bool failed = false;

private:
    QIODevice& m_device;
};

std::string number(double value)
{
    QString text = QString::number(value, 'f', 4);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text == QLatin1String("-0") ? std::string("0") : text.toStdString();
}

Object colourSpace(PdfImage::Colours colours)
{
    switch (colours) {
    case PdfImage::Colours::Grey: return Object::newName("/DeviceGray");
    case PdfImage::Colours::Cmyk: return Object::newName("/DeviceCMYK");
    default: return Object::newName("/DeviceRGB");
    }
}

Object imageObject(QPDF& pdf, PdfImage& image)
{
    Object stream = Object::newStream(&pdf);
    Object dict = stream.getDict();
    dict.replaceKey("/Type", Object::newName("/XObject"));
    dict.replaceKey("/Subtype", Object::newName("/Image"));
    dict.replaceKey("/Width", Object::newInteger(image.width));
    dict.replaceKey("/Height", Object::newInteger(image.height));
    dict.replaceKey("/BitsPerComponent", Object::newInteger(image.bitsPerComponent));
    if (image.colours == PdfImage::Colours::Indexed) {
        const int entries =
            int(image.palette.size()) / (image.paletteBase == PdfImage::Colours::Grey ? 1 : 3);
        dict.replaceKey(
            "/ColorSpace",
            Object::newArray({Object::newName("/Indexed"), colourSpace(image.paletteBase),
                              Object::newInteger(entries - 1),
                              Object::newString(image.palette.toStdString())}));
    } else {
        dict.replaceKey("/ColorSpace", colourSpace(image.colours));
    }
    if (image.inverted) {
        std::vector<Object> decode;
        for (int i = 0; i < image.components(); ++i) {
            decode.push_back(Object::newInteger(1));
            decode.push_back(Object::newInteger(0));
        }
        dict.replaceKey("/Decode", Object::newArray(decode));
    }
    Object filter;
    Object parameters = Object::newNull();
    switch (image.filter) {
    case PdfImage::Filter::Flate:
        filter = Object::newName("/FlateDecode");
        if (image.predicted) {
            parameters = Object::newDictionary();
            parameters.replaceKey("/Predictor", Object::newInteger(15));
            parameters.replaceKey("/Colors", Object::newInteger(image.components()));
            parameters.replaceKey("/BitsPerComponent", Object::newInteger(image.bitsPerComponent));
            parameters.replaceKey("/Columns", Object::newInteger(image.width));
        }
        break;
    case PdfImage::Filter::Group4:
        filter = Object::newName("/CCITTFaxDecode");
        parameters = Object::newDictionary();
        parameters.replaceKey("/K", Object::newInteger(-1));
        parameters.replaceKey("/Columns", Object::newInteger(image.width));
        parameters.replaceKey("/Rows", Object::newInteger(image.height));
        break;
    case PdfImage::Filter::Dct: filter = Object::newName("/DCTDecode"); break;
    }
    // The buffer only points at the image's bytes, which the document keeps until it is gone.
    auto data = std::make_shared<Buffer>(reinterpret_cast<unsigned char*>(image.data.data()),
                                         size_t(image.data.size()));
    stream.replaceStreamData(data, filter, parameters);
    return stream;
}

Object rectangle(const QSizeF& size)
{
    return Object::newArray({Object::newInteger(0), Object::newInteger(0),
                             Object::newReal(number(size.width())),
                             Object::newReal(number(size.height()))});
}

}  // namespace

void PdfDocument::addPage(PdfImage image, const PagePlacement& placement)
{
    m_pages.push_back({std::move(image), placement});
}

QString PdfDocument::write(QIODevice& out)
{
    DevicePipeline device(out);
    try {
        QPDF pdf;
        pdf.emptyPDF();
        QPDFPageDocumentHelper pages(pdf);
        for (Page& page : m_pages) {
            const std::array<double, 6> m =
                imageMatrix(page.placement.image, page.image.orientation);
            std::string content = "q";
            for (double value : m)
                content += ' ' + number(value);
            content += " cm /Im0 Do Q\n";
            Object resources = Object::newDictionary();
            Object xobjects = Object::newDictionary();
            xobjects.replaceKey("/Im0", imageObject(pdf, page.image));
            resources.replaceKey("/XObject", xobjects);
            Object dict = Object::newDictionary();
            dict.replaceKey("/Type", Object::newName("/Page"));
            dict.replaceKey("/MediaBox", rectangle(page.placement.page));
            dict.replaceKey("/Resources", resources);
            dict.replaceKey("/Contents", Object::newStream(&pdf, content));
            pages.addPage(pdf.makeIndirectObject(dict), false);
        }
        Object info = Object::newDictionary();
        if (!m_title.isEmpty())
            info.replaceKey("/Title", Object::newUnicodeString(m_title.toStdString()));
        info.replaceKey("/Producer", Object::newUnicodeString("Tavlo"));
        info.replaceKey("/CreationDate", Object::newString(pdfDate(m_created).toStdString()));
        pdf.getTrailer().replaceKey("/Info", pdf.makeIndirectObject(info));

        QPDFWriter writer(pdf);
        writer.setOutputPipeline(&device);
        // The images are coded already; only uncoded streams (the page contents) get deflated.
        writer.setDecodeLevel(qpdf_dl_none);
        writer.setCompressStreams(true);
        writer.write();
    } catch (const std::bad_alloc&) {
        return codecs::reasons::outOfMemory();
    } catch (const std::exception& e) {
        if (device.failed)
            return codecs::reasons::writeFailed();
        return codecs::reasons::encodeFailed("PDF") + QStringLiteral(": ") +
               QString::fromStdString(e.what());
    }
    return QString();
}

QString pdfDate(const QDateTime& time)
{
    QString text = QStringLiteral("D:") + time.toString(QStringLiteral("yyyyMMddHHmmss"));
    const int offset = time.offsetFromUtc() / 60;
    if (offset == 0)
        return text + QLatin1Char('Z');
    text += offset < 0 ? QLatin1Char('-') : QLatin1Char('+');
    return text + QStringLiteral("%1'%2'")
                      .arg(std::abs(offset) / 60, 2, 10, QLatin1Char('0'))
                      .arg(std::abs(offset) % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace tavlo::pdf
