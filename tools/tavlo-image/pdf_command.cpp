#include "tools/tavlo-image/pdf_command.h"

#include "environment/atomic_file.h"
#include "imaging/codecs/codec_reasons.h"
#include "imaging/codecs/ordered_work.h"
#include "imaging/pdf/page_image_reader.h"
#include "imaging/pdf/page_layout.h"
#include "imaging/pdf/pdf_document.h"
#include "tools/tavlo-image/argument_cursor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <optional>
#include <vector>

namespace tavlo::tools {
namespace {

struct PdfRequest {
    QString output;
    QStringList inputs;
    std::optional<QSizeF> paper;
    QString title;
};

QString usage()
{
    return QStringLiteral(
               "usage: tavlo-image pdf OUT.pdf|- IN|FOLDER... [--paper %1] [--title TEXT]")
        .arg(pdf::paperNames().join(QLatin1Char('|')));
}

// Fills the request; "" on success, else what is wrong.
QString parse(const QStringList& arguments, PdfRequest& request)
{
    ArgumentCursor cursor(arguments);
    QStringList positional;
    while (!cursor.atEnd()) {
        const QString argument = *cursor.take();
        if (argument == QLatin1String("--paper")) {
            const std::optional<QString> name = cursor.take();
            request.paper = name ? pdf::paperSize(*name) : std::nullopt;
            if (!request.paper)
                return QStringLiteral("--paper needs one of ") +
                       pdf::paperNames().join(QLatin1Char(' '));
        } else if (argument == QLatin1String("--title")) {
            const std::optional<QString> title = cursor.take();
            if (!title)
                return QStringLiteral("--title needs a text");
            request.title = *title;
        } else if (argument.startsWith(QLatin1String("--"))) {
            return QStringLiteral("unknown option ") + argument;
        } else {
            positional.append(argument);
        }
    }
    if (positional.size() < 2)
        return QStringLiteral("pdf needs OUT and at least one IN");
    request.output = positional.takeFirst();
    request.inputs = positional;
    return QString();
}

// The files of a folder whose endings name a format the control reads, in name order.
QStringList folderImages(const QString& folder)
{
    static const QStringList kPatterns = {
        QStringLiteral("*.bmp"),  QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"),
        QStringLiteral("*.png"),  QStringLiteral("*.gif"), QStringLiteral("*.tif"),
        QStringLiteral("*.tiff"), QStringLiteral("*.pcx"), QStringLiteral("*.jp2"),
        QStringLiteral("*.j2k"),  QStringLiteral("*.jpc")};
    const QDir dir(folder);
    QStringList paths;
    for (const QString& name : dir.entryList(kPatterns, QDir::Files, QDir::Name | QDir::IgnoreCase))
        paths.append(dir.filePath(name));
    return paths;
}

// The pages' files, folders replaced by their images; "" or what is wrong (an empty folder).
QString expandInputs(const QStringList& inputs, QStringList& files)
{
    for (const QString& input : inputs) {
        if (!QFileInfo(input).isDir()) {
            files.append(input);
            continue;
        }
        const QStringList images = folderImages(input);
        if (images.isEmpty())
            return input + QStringLiteral(": error: 画像ﾌｧｲﾙがありません");
        files.append(images);
    }
    return QString();
}

// A file already at OUT may be replaced only when it is a PDF document.
bool replaceable(const QString& output)
{
    QFile existing(output);
    if (!existing.exists())
        return true;
    return existing.open(QIODevice::ReadOnly) && existing.read(5) == "%PDF-";
}

QString writeDocument(pdf::PdfDocument& document, const QString& output)
{
    if (output == QLatin1String("-")) {
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly))
            return codecs::reasons::writeFailed();
        QString reason = document.write(out);
        if (reason.isEmpty() && !out.flush())
            reason = codecs::reasons::writeFailed();
        return reason;
    }
    AtomicFile file(output);
    if (!file.open())
        return file.error();
    if (QString reason = document.write(file.device()); !reason.isEmpty())
        return reason;
    return file.commit() ? QString() : file.error();
}

}  // namespace

int runPdf(const QStringList& arguments, QTextStream& err, bool progress)
{
    PdfRequest request;
    QStringList files;
    if (const QString problem = parse(arguments, request); !problem.isEmpty()) {
        err << "tavlo-image: " << problem << '\n' << usage() << '\n';
        return 2;
    }
    if (const QString problem = expandInputs(request.inputs, files); !problem.isEmpty()) {
        err << problem << '\n';
        return 1;
    }
    if (request.output != QLatin1String("-") && !replaceable(request.output)) {
        err << request.output << ": error: PDF ではないﾌｧｲﾙは置き換えません\n";
        return 1;
    }

    // Pages are read and coded on worker threads and join the document in order.
    pdf::PdfDocument document;
    document.setTitle(request.title);
    std::vector<pdf::PdfImage> images(size_t(files.size()));
    std::vector<QString> failures(size_t(files.size()));
    const bool ok = codecs::OrderedWork::run(
        int(files.size()), 0,
        [&](int i) {
            failures[size_t(i)] = pdf::readPageImage(files[i], images[size_t(i)]);
            return failures[size_t(i)].isEmpty();
        },
        [&](int i) {
            pdf::PdfImage& image = images[size_t(i)];
            const QSizeF size = pdf::physicalSize(image.width, image.height, image.dpiX, image.dpiY,
                                                  image.orientation);
            document.addPage(std::move(image), pdf::placePicture(size, request.paper));
            if (progress)
                err << "[" << (i + 1) << "/" << files.size() << "] " << files[i] << Qt::endl;
            return true;
        });
    if (!ok) {
        for (qsizetype i = 0; i < files.size(); ++i) {
            if (!failures[size_t(i)].isEmpty()) {
                err << files[i] << ": error: " << failures[size_t(i)] << '\n';
                break;
            }
        }
        return 1;
    }
    if (const QString reason = writeDocument(document, request.output); !reason.isEmpty()) {
        err << request.output << ": error: " << reason << '\n';
        return 1;
    }
    return 0;
}

}  // namespace tavlo::tools
