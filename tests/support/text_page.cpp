#include "tests/support/text_page.h"

#include "tests/support/xorshift.h"

#include <QFont>
#include <QPainter>

namespace tavlo::test {
namespace {

constexpr const char* kWords[] = {
    "scanner", "page", "image", "the",    "of",   "and",    "work",  "folder",     "list",
    "number",  "line", "text",  "print",  "a",    "to",     "sizes", "resolution", "colour",
    "depth",   "file", "saved", "turned", "edge", "window", "menu",  "in",
};

}  // namespace

Image textPage(ColourCode code, QSize size, double degrees, int dpi, unsigned seed)
{
    QImage canvas(size, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.translate(size.width() / 2.0, size.height() / 2.0);
        painter.rotate(degrees);
        painter.translate(-size.width() / 2.0, -size.height() / 2.0);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(std::max(6, size.height() / 80));
        painter.setFont(font);
        painter.setPen(Qt::black);

        XorShift32 random{seed * 2654435761u + 1u};
        const int lineHeight = font.pixelSize() * 3 / 2;
        const int left = size.width() / 10;
        const int right = size.width() - left;
        for (int y = size.height() / 10; y < size.height() * 9 / 10; y += lineHeight) {
            // A short last line now and then, as in a paragraph.
            const int end = random.below(6) == 0 ? left + (right - left) / 2 : right;
            QString line;
            while (painter.fontMetrics().horizontalAdvance(line) < end - left - 60)
                line += QString::fromLatin1(kWords[random.below(int(std::size(kWords)))]) + u' ';
            painter.drawText(left, y, line.trimmed());
        }
    }
    Image page;
    switch (code) {
    case ColourCode::Mono:
        page = Image::fromStorage(
            canvas.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither | Qt::MonoOnly),
            ColourCode::Mono);
        break;
    case ColourCode::Grey256:
        page = Image::fromStorage(canvas.convertToFormat(QImage::Format_Grayscale8),
                                  ColourCode::Grey256);
        break;
    default:
        page = Image::fromStorage(canvas.convertToFormat(QImage::Format_BGR888), ColourCode::Rgb24);
        break;
    }
    page.setDpi(dpi, dpi);
    return page;
}

}  // namespace tavlo::test
