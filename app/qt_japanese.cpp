#include "app/qt_japanese.h"

#include "app/app_log.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace tavlo {

bool installQtJapanese()
{
    static bool installed = false;
    if (installed)
        return true;
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_ja"), folder)) {
        qCWarning(lcApp) << "Qt's Japanese translation qtbase_ja not found in" << folder;
        delete translator;
        return false;
    }
    installed = QCoreApplication::installTranslator(translator);
    return installed;
}

}  // namespace tavlo
