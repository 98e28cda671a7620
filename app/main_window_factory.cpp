#include "app/main_window_factory.h"

#include "app/program.h"
#include "main_window/image_file_controller.h"
#include "main_window/main_window.h"

namespace tavlo {

QWidget* createMainWindow()
{
    auto* window = new fmMain;
    window->endProgram = &EndProgram;
    return window;
}

void openInMainWindow(QWidget* window, const QString& path)
{
    auto* main = qobject_cast<fmMain*>(window);
    if (!main)
        return;
    QMetaObject::invokeMethod(
        main, [main, path] { main->imageFiles().OpenNamedFile(path); }, Qt::QueuedConnection);
}

}  // namespace tavlo
