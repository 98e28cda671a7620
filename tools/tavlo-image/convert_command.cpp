#include "tools/tavlo-image/convert_command.h"

#include "imaging/codecs/image_file.h"
#include "tools/tavlo-image/argument_cursor.h"
#include "tools/tavlo-image/pixel_steps.h"

#include <QBuffer>
#include <QFile>

#include <cstdio>
#include <vector>

namespace tavlo::tools {
namespace {

struct ConvertRequest {
    QString input;
    QString output;
    std::optional<codecs::ImageFormat> format;
    codecs::WriteOptions options;
    std::vector<PixelStep> steps;
};

QString usage()
{
    QString text = QStringLiteral("usage: tavlo-image convert IN OUT|- --format "
                                  "BMP|JPG|TIF|PNG|GIF|PCX|FPX [--quality 1..100]");
    for (const auto& [name, parser] : pixelStepParsers())
        text += QStringLiteral(" [") + name + QStringLiteral(" ...]");
    return text;
}

// Fills the request; "" on success, else what is wrong.
QString parse(const QStringList& arguments, ConvertRequest& request)
{
    ArgumentCursor cursor(arguments);
    QStringList positional;
    while (!cursor.atEnd()) {
        const QString argument = *cursor.take();
        if (argument == QLatin1String("--format")) {
            const std::optional<QString> name = cursor.take();
            if (!name)
                return QStringLiteral("--format needs a format");
            request.format = codecs::formatFromName(*name);
            if (!request.format || !codecs::formatWritable(*request.format))
                return QStringLiteral("cannot write the format ") + *name;
        } else if (argument == QLatin1String("--quality")) {
            const std::optional<int> quality = cursor.takeInt(1, 100);
            if (!quality)
                return QStringLiteral("--quality needs a number from 1 to 100");
            request.options.jpegQuality = *quality;
        } else if (const auto parser = pixelStepParsers().find(argument);
                   parser != pixelStepParsers().end()) {
            QString error;
            std::optional<PixelStep> step = parser->second(cursor, error);
            if (!step)
                return argument + QStringLiteral(": ") + error;
            step->option = argument;
            request.steps.push_back(std::move(*step));
        } else if (argument.startsWith(QLatin1String("--"))) {
            return QStringLiteral("unknown option ") + argument;
        } else {
            positional.append(argument);
        }
    }
    if (positional.size() != 2)
        return QStringLiteral("convert needs IN and OUT");
    if (!request.format)
        return QStringLiteral("convert needs --format");
    request.input = positional[0];
    request.output = positional[1];
    return QString();
}

// Encodes into memory (some encoders read back what they wrote, which a pipe cannot do) and
// writes the bytes to standard output. "" on success, else the reason.
QString writeToStandardOutput(const Image& image, const ConvertRequest& request)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadWrite);
    if (QString reason = codecs::writeImage(image, buffer, *request.format, request.options);
        !reason.isEmpty())
        return reason;
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly, QFileDevice::DontCloseHandle) ||
        out.write(bytes) != bytes.size() || !out.flush())
        return QStringLiteral("標準出力に書き込めません");
    return QString();
}

}  // namespace

int runConvert(const QStringList& arguments, QTextStream& err)
{
    ConvertRequest request;
    if (const QString problem = parse(arguments, request); !problem.isEmpty()) {
        err << "tavlo-image: " << problem << '\n' << usage() << '\n';
        return 2;
    }
    codecs::Decoded decoded = codecs::readImageFile(request.input);
    if (!decoded.ok()) {
        err << request.input << ": error: " << decoded.error << '\n';
        return 1;
    }
    Image image = std::move(decoded.image);
    for (const PixelStep& step : request.steps) {
        if (const QString reason = step.apply(image); !reason.isEmpty()) {
            err << step.option << ": error: " << reason << '\n';
            return 1;
        }
    }
    // "-" is standard output, as command-line tools take it; every other OUT is a file.
    const QString reason =
        request.output == QLatin1String("-")
            ? writeToStandardOutput(image, request)
            : codecs::writeImageFile(image, request.output, *request.format, request.options);
    if (!reason.isEmpty()) {
        err << request.output << ": error: " << reason << '\n';
        return 1;
    }
    return 0;
}

}  // namespace tavlo::tools
