#include "environment/user_data_folder.h"

#include "environment/cp932.h"
#include "environment/file_system.h"
#include "environment/process_values.h"
#include "environment/tool_path_store.h"
#include "environment/user_prompt.h"

#include <QDir>
#include <QStandardPaths>

namespace tavlo {
namespace {

const QString useDefault = QStringLiteral("ﾕｰｻﾞｰﾃﾞｰﾀｰﾌｫﾙﾀﾞは\u3000");
const QString willUse = QStringLiteral(" を使用します");

void tell(const QString& text)
{
    userPrompt().message(programTitle(), text);
}

// The most of "UserData.ini" that is read: one folder path (PATH_MAX) and its line break. A
// longer file is no folder line; its start is enough to say so.
constexpr qint64 kMaxIniBytes = 4096 + 2;

// File text as a message quotes it: at most three lines of at most 60 characters, control
// characters shown as "?", so a long or binary file never makes a message taller or wider than
// the screen.
QString quoted(const QString& text)
{
    constexpr int kLines = 3;
    constexpr int kWidth = 60;
    const QStringList lines = text.split(QLatin1Char('\n'));
    QStringList shown;
    for (qsizetype i = 0; i < lines.size() && i < kLines; ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const bool cut = line.size() > kWidth;
        line.truncate(kWidth);
        for (QChar& c : line) {
            if (c.unicode() < 0x20 || c.unicode() == 0x7f)
                c = QLatin1Char('?');
        }
        shown.append(cut ? line + QStringLiteral("…") : line);
    }
    if (lines.size() > kLines)
        shown.append(QStringLiteral("…"));
    return shown.join(QLatin1Char('\r'));
}

// The setting without what editors and `echo` add after it: line breaks and blanks.
QString withoutTrailingBlanks(QString setting)
{
    while (!setting.isEmpty() &&
           (setting.back() == QLatin1Char('\r') || setting.back() == QLatin1Char('\n') ||
            setting.back() == QLatin1Char(' ') || setting.back() == QLatin1Char('\t')))
        setting.chop(1);
    return setting;
}

QString withSlash(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

// The program's own executable as the tool path store names it.
QString ownExecutablePath()
{
    QString folder = programFolder();
    folder.chop(1);
    return folder + QLatin1Char('/') + processValues().programName;
}

void registerProgram()
{
    const QString name = processValues().programName;
    const QString own = ownExecutablePath();
    ToolPathStore store;
    if (store.read(name).toLower() == own.toLower())
        return;
    if (!store.write(name, own))
        tell(QStringLiteral("ﾌﾟﾛｸﾞﾗﾑのﾊﾟｽを ") + store.fileName() +
             QStringLiteral(" に書き込めません"));
}

// The user data folder named by the content of "UserData.ini" (or by its absence).
QString chooseFolder(const QString& defaultFolder)
{
    FileSystem& files = fileSystem();
    const QString iniPath = programFolder() + QStringLiteral("UserData.ini");
    QString setting = QStringLiteral("%applicaion data%");
    if (files.fileExists(iniPath)) {
        const std::optional<QByteArray> bytes = files.readFile(iniPath, kMaxIniBytes);
        if (!bytes) {
            tell(iniPath + QStringLiteral(" が読み込めません\r") + useDefault + defaultFolder +
                 willUse);
            return defaultFolder;
        }
        const QString line = withoutTrailingBlanks(Cp932::decode(*bytes));
        if (line.isEmpty() || line.front() == QLatin1Char('\r') ||
            line.front() == QLatin1Char('\n'))
            tell(QStringLiteral(" ﾕｰｻﾞｰﾃﾞｰﾀｰﾌｫﾙﾀﾞが定義されていません\r") + defaultFolder +
                 willUse);
        else
            setting = line;
    } else {
        tell(iniPath + QStringLiteral(" が見つかりません\r") + useDefault + defaultFolder +
             willUse);
    }

    // Macros are matched lower-cased; a folder is used as typed (the file system is
    // case-sensitive).
    const QString macro = setting.toLower();
    if (macro == QLatin1String("%app%"))
        return programFolder() + QStringLiteral("usData/");
    if (macro == QLatin1String("%usr%") || macro == QLatin1String("%applicaion data%"))
        return defaultFolder;
    if (macro == QLatin1String("%doc") || macro == QLatin1String("%my document%"))
        return UserDataFolder::specialFolder(5) + QStringLiteral("/Hollin/") +
               processValues().programName + QLatin1Char('/');
    if (macro.startsWith(QLatin1Char('%')))
        return defaultFolder;
    // A relative folder is taken from the program folder, where "UserData.ini" lies, whatever
    // folder the program was started from.
    const QString folder = QDir::isRelativePath(setting) ? programFolder() + setting : setting;
    if (files.folderExists(folder))
        return withSlash(folder);
    tell(QStringLiteral("ﾌｫﾙﾀﾞ ") + quoted(setting) + QStringLiteral(" が見つかりません\r") +
         useDefault + defaultFolder + willUse);
    return defaultFolder;
}

}  // namespace

QString UserDataFolder::defaultFolder()
{
    return specialFolder(26) + QStringLiteral("/Hollin/") + processValues().programName +
           QLatin1Char('/');
}

void UserDataFolder::establish()
{
    ProcessValues& values = processValues();
    values.appDataFolder = programFolder() + QStringLiteral("apData/");
    EnsureFileSystem();
    registerProgram();
    const QString folder = chooseFolder(defaultFolder());
    if (!fileSystem().folderExists(folder))
        createFolderPath(folder);
    values.userDataFolder = folder;
    // Told now rather than at quit, where the settings of the whole session would be lost.
    if (fileSystem().folderExists(folder) && !fileSystem().folderWritable(folder))
        tell(QStringLiteral("ﾕｰｻﾞｰﾃﾞｰﾀｰﾌｫﾙﾀﾞ ") + folder +
             QStringLiteral(" に書き込めません\r設定と作業ﾌｧｲﾙは保存できません"));
}

QString UserDataFolder::specialFolder(int id)
{
    QString folder;
    switch (id) {
    case 26: folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation); break;
    case 5: folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation); break;
    case 9:
        folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        if (!folder.isEmpty())
            folder += QStringLiteral("/applications");
        break;
    default: return QString();
    }
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

bool UserDataFolder::createSubFolders(const QString& base, const QStringList& names)
{
    FileSystem& files = fileSystem();
    bool allThere = true;
    for (const QString& name : names) {
        const QString folder = base + name;
        if (!files.folderExists(folder) && !files.createFolder(folder))
            allThere = false;
    }
    return allThere;
}

bool UserDataFolder::createFolderPath(const QString& folder)
{
    FileSystem& files = fileSystem();
    if (files.folderExists(folder))
        return true;
    const QString path = withSlash(folder);
    // Every "/" ends one level; the text before the first one of an absolute path is empty (the
    // root), so the walk starts below the root.
    for (qsizetype slash = path.indexOf(QLatin1Char('/')); slash >= 0;
         slash = path.indexOf(QLatin1Char('/'), slash + 1)) {
        const QString level = path.left(slash);
        if (!level.isEmpty() && !files.folderExists(level))
            files.createFolder(level);
    }
    return files.folderExists(folder);
}

}  // namespace tavlo
