#include "app/program.h"

#include "app/app_log.h"
#include "app/qt_japanese.h"

#include "environment/busy_pointer.h"
#include "environment/file_system.h"
#include "environment/process_values.h"
#include "environment/settings_store.h"

#include <QApplication>
#include <QFileInfo>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace tavlo {
namespace {

// Top-level windows that may still be open, in the order their native windows were created
// (widgets never shown come last).
QList<QPointer<QWidget>> windowsInCreationOrder()
{
    const QList<QWindow*> created = QGuiApplication::topLevelWindows();
    QList<QWidget*> widgets;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = widget->windowType();
        if (type == Qt::Popup || type == Qt::ToolTip || type == Qt::Desktop)
            continue;
        widgets.append(widget);
    }
    const auto rank = [&created](QWidget* widget) {
        const qsizetype index = created.indexOf(widget->windowHandle());
        return index < 0 ? created.size() : index;
    };
    std::stable_sort(widgets.begin(), widgets.end(),
                     [&rank](QWidget* a, QWidget* b) { return rank(a) < rank(b); });
    QList<QPointer<QWidget>> ordered;
    for (QWidget* widget : widgets)
        ordered.append(widget);
    return ordered;
}

}  // namespace

QString programNameFromExecutable(const QString& executablePath)
{
    QString name = QFileInfo(executablePath).completeBaseName();
    if (name.endsWith(QLatin1String("_dv"), Qt::CaseInsensitive))
        name.chop(3);
    return name;
}

QWidget* StartProgram(const MainWindowFactory& createMainWindow)
{
    ProcessValues& values = processValues();
    const QString executable = QCoreApplication::applicationFilePath();
    values.programName = programNameFromExecutable(executable);
    values.programFolderPath = QFileInfo(executable).absolutePath() + QLatin1Char('/');
    qCInfo(lcApp) << "start" << executable;

    installQtJapanese();  // the standard dialogs speak the program's language

    QWidget* window = nullptr;
    {
        const BusyPointer busy;  // the whole load sequence runs under it
        values.started = true;
        window = createMainWindow();
        if (window) {
            window->setAttribute(Qt::WA_DeleteOnClose);
            values.mainWindow = window;
            window->show();
        }
    }
    return window;
}

void EndProgram()
{
    processValues().ending = true;
    qCInfo(lcApp) << "end";
    for (const QPointer<QWidget>& window : windowsInCreationOrder()) {
        if (window)
            window->close();
    }
    releaseFileSystem();
    releaseSettingsStore();
    QCoreApplication::exit(0);
}

}  // namespace tavlo
