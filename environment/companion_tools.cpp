#include "environment/companion_tools.h"

#include "environment/file_system.h"
#include "environment/open_file_dialog.h"
#include "environment/process_values.h"

#include <QDir>

namespace tavlo {
namespace {

struct Tool {
    const char* name;
    const char* caption;
};

constexpr Tool Tools[] = {
    {"Pelmo", "画像"}, {"Pelmora", "画像L"}, {"Zindle", "ｸﾞﾗﾌ"},           {"Corvat", "ﾁｬｰﾄ"},
    {"Relvin", "FTP"}, {"Muskeg", "宛名"},   {"Tolbrin", "文書ﾃﾞｰﾀｰﾍﾞｰｽ"},
};

// The sub folders of a folder, by name; none when it cannot be listed.
QStringList subFolders(const QString& folder)
{
    return QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

QString joined(const QString& folder, const QString& name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// The text before the last "/", with the root kept as "/"; "" when there is no "/".
QString parentOf(const QString& folder)
{
    const qsizetype slash = folder.lastIndexOf(QLatin1Char('/'));
    if (slash < 0 || folder == QLatin1String("/"))
        return QString();
    return slash == 0 ? QStringLiteral("/") : folder.left(slash);
}

}  // namespace

zKtl::zKtl() : zKtl(ToolPathStore(), programFolder()) { }

zKtl::zKtl(ToolPathStore store, const QString& folder)
    : m_store(std::move(store)), m_programFolder(folder)
{
    if (!m_programFolder.endsWith(QLatin1Char('/')))
        m_programFolder += QLatin1Char('/');
}

bool zKtl::GetToolNm(int index, QString& name, QString& caption)
{
    if (index < 0 || index >= int(std::size(Tools)))
        return false;
    name = QString::fromUtf8(Tools[index].name);
    caption = QString::fromUtf8(Tools[index].caption);
    return true;
}

QString zKtl::dialogTitle(const QString& caption)
{
    return caption + QString::fromUtf8(" 実行ﾌｧｲﾙの指定");
}

QString zKtl::executableFilter()
{
    return QString::fromUtf8("実行ﾌｧｲﾙ(*)|*");
}

void zKtl::GetAppNm(int iNdx, QString& sExe)
{
    EnsureFileSystem();
    QString name, caption;
    if (!GetToolNm(iNdx, name, caption))
        return;

    const QString stored = m_store.read(name);
    if (!stored.isEmpty() && CheckFileExists(stored)) {
        sExe = stored;
        return;
    }

    QString sPhP, sAp;
    GetExePh(sPhP, name, name, sAp);
    if (!sAp.isEmpty() && CheckFileExists(sAp)) {
        m_store.write(name, sAp);
        sExe = sAp;
        return;
    }

    QString chosen = ShowOpenFileDialog(dialogTitle(caption), sExe, executableFilter(), sPhP);
    if (!sExe.isEmpty() && !chosen.endsWith(sExe, Qt::CaseInsensitive))
        chosen.clear();
    if (chosen.isEmpty() || !CheckFileExists(chosen))
        return;
    m_store.write(name, chosen);
    sExe = chosen;
}

void zKtl::GetExePh(QString& sPhP, const QString& sNm, const QString& sExe, QString& sAp) const
{
    sAp.clear();
    const QString wanted = sNm.toLower();
    QString own = m_programFolder;
    if (own.size() > 1)
        own.chop(1);  // no trailing "/"
    sPhP = parentOf(own);
    if (sPhP.isEmpty())
        return;

    // Stage 1: siblings of the program's folder.
    for (const QString& sub : subFolders(sPhP)) {
        if (sub.toLower() == wanted) {
            sAp = joined(joined(sPhP, sub), sExe);
            return;
        }
    }

    // Stage 2: cousins, in the grandparent's sub folders and one level below them.
    const QString grand = parentOf(sPhP);
    if (grand.isEmpty() || grand == QLatin1String("/"))
        return;
    for (const QString& f : subFolders(grand)) {
        const QString fPath = joined(grand, f);
        if (fPath.compare(sPhP, Qt::CaseInsensitive) == 0)
            continue;
        if (f.toLower() == wanted) {
            sAp = joined(fPath, sExe);
            return;
        }
        for (const QString& g : subFolders(fPath)) {
            const QString gPath = joined(fPath, g);
            if (gPath.compare(sPhP, Qt::CaseInsensitive) == 0)
                continue;
            if (g.toLower() == wanted) {
                sAp = joined(gPath, sExe);
                return;
            }
        }
    }
}

}  // namespace tavlo
