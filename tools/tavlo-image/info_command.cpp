#include "tools/tavlo-image/info_command.h"

#include "imaging/codecs/image_file.h"

namespace tavlo::tools {

int runInfo(const QStringList& paths, QTextStream& out, QTextStream& err)
{
    if (paths.isEmpty()) {
        err << "usage: tavlo-image info FILE...\n";
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
            << " format=" << codecs::formatName(format) << '\n';
    }
    return status;
}

}  // namespace tavlo::tools
