// Runs with QT_SCALE_FACTOR=2: every view pixel is two by two device pixels.
#include "imaging/image_store.h"
#include "imaging/imaging_control.h"
#include "imaging/view/image_view.h"
#include "main_window/tool_icons.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace tavlo {
namespace {

// A grey image whose pixels alternate black and white like a chessboard of single pixels.
Image checkerboard(int width, int height)
{
    Image image = Image::create(width, height, ColourCode::Grey256);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.scanLine(y)[x] = (x + y) % 2 ? 255 : 0;
    }
    return image;
}

TEST(HighDensityScreen, TheViewPaintsEveryDevicePixelFromItsOwnImagePixel)
{
    ImagingControl control;
    control.resize(300, 200);
    control.show();
    QApplication::processEvents();
    ASSERT_EQ(control.view()->viewport()->devicePixelRatioF(), 2.0);
    const Image image = checkerboard(61, 43);
    control.setImageHandle(ImageStore::instance().add(image));

    // At 100 % each image pixel is a sharp 2 x 2 block; at 50 % each device pixel shows its own
    // image pixel, so the checkerboard stays a checkerboard of device pixels instead of grey.
    for (double zoom : {1.0, 0.5, 3.0}) {
        SCOPED_TRACE(zoom);
        control.setZoomX(zoom);
        control.setZoomY(zoom);
        ASSERT_TRUE(control.DrawImage(3));
        QApplication::processEvents();
        const QImage shown =
            control.view()->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(shown.size(), control.view()->viewport()->size() * 2);
        const ViewGeometry device = control.view()->viewGeometry().onDevice(2.0);
        int checked = 0;
        for (int y = device.origin().y(); y < device.contentRect().bottom() && y < shown.height();
             ++y) {
            for (int x = device.origin().x(); x < device.contentRect().right() && x < shown.width();
                 ++x) {
                const QPoint pixel = device.pixelAt(QPoint(x, y));
                ASSERT_EQ(shown.pixel(x, y), image.pixelColour(pixel.x(), pixel.y()))
                    << x << "," << y;
                ++checked;
            }
        }
        EXPECT_GT(checked, 1000);
        // At 50 % neighbouring device pixels differ: the picture is as fine as the screen.
        const QPoint at = device.origin() + QPoint(4, 4);
        EXPECT_EQ(shown.pixel(at) != shown.pixel(at + QPoint(1, 0)), zoom == 0.5);
    }
}

TEST(HighDensityScreen, DrawnToolIconsAreSharpAtEveryScaleAndThemeIconsComeFirst)
{
    // No theme of the desktop here: our drawings, rendered at the device size asked for rather
    // than stretched from a smaller one.
    for (qreal ratio : {1.0, 1.5, 2.0, 3.0}) {
        const QPixmap pixmap = ToolIcons::button(6).pixmap(QSize(16, 16), ratio);
        EXPECT_EQ(pixmap.size(), QSize(16, 16) * ratio) << ratio;
        EXPECT_EQ(pixmap.devicePixelRatio(), ratio);
    }
    // A desktop theme that has "document-open" gives the open button its icon; the joins, which
    // have no freedesktop name, keep our drawing.
    QTemporaryDir themes;
    QDir(themes.path()).mkpath(QStringLiteral("plain/16x16/actions"));
    QFile index(themes.filePath(QStringLiteral("plain/index.theme")));
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=plain\nDirectories=16x16/actions\n\n"
                "[16x16/actions]\nSize=16\nType=Fixed\n");
    index.close();
    QPixmap red(16, 16);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(themes.filePath(QStringLiteral("plain/16x16/actions/document-open.png"))));
    const QStringList searchPaths = QIcon::themeSearchPaths();
    const QString themeName = QIcon::themeName();
    QIcon::setThemeSearchPaths({themes.path()});
    QIcon::setThemeName(QStringLiteral("plain"));
    EXPECT_EQ(ToolIcons::button(0).name(), QStringLiteral("document-open"));
    EXPECT_EQ(ToolIcons::button(0).pixmap(QSize(16, 16), 1.0).toImage().pixel(8, 8),
              QColor(Qt::red).rgb());
    EXPECT_EQ(ToolIcons::button(1).name(), QString());  // not in the theme: drawn
    EXPECT_EQ(ToolIcons::button(8).name(), QString());
    EXPECT_FALSE(ToolIcons::button(8).isNull());
    QIcon::setThemeSearchPaths(searchPaths);
    QIcon::setThemeName(themeName);
}

}  // namespace
}  // namespace tavlo
