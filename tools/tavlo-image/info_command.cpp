#include "tools/tavlo-image/info_command.h"

#include "imaging/codecs/image_file.h"
#include "imaging/process/skew_finder.h"

namespace tavlo::tools {

int runInfo(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QStringList paths = arguments;
    const bool skew = paths.removeAll(QStringLiteral("--skew")) > 0;
    if (paths.isEmpty()) {
        err << "usage: tavlo-image info [--skew] FILE...\n";
        return 2;
    }
    int status = 0;
    for (const QString& path : paths) {
        codecs::ImageFormat format = codecs::ImageFormat::Unknown;
        const codecs::Decoded decoded = codecs::readImageFile(path, &format);
        if (!decoded.ok()) {
            out << path << ": error: " << decoded.error << '\n';
            status = 1;
            continue;
        }
        const Image& image = decoded.image;
        out << path << ": " << image.width() << 'x' << image.height()
            << " code=" << int(image.code()) << " dpi=" << image.dpiX() << 'x' << image.dpiY()
            << " format=" << codecs::formatName(format);
        if (skew) {
            const std::optional<double> degrees = process::findSkew(image);
            out << " skew="
                << (degrees ? QString::number(*degrees, 'f', 2) : QStringLiteral("none"));
        }
        out << '\n';
    }
    return status;
}

}  // namespace tavlo::tools
