#include "environment/settings_store.h"

#include "environment/desktop_entry.h"
#include "environment/desktop_services.h"
#include "environment/environment_log.h"
#include "environment/file_system.h"
#include "environment/number_text.h"
#include "environment/process_values.h"
#include "environment/shell_helpers.h"
#include "environment/user_data_folder.h"
#include "environment/user_prompt.h"

#include <QDir>
#include <QUrl>

#include <memory>

namespace tavlo {
namespace {

const QString rootName = QStringLiteral("運用");
const QString rootClose = QStringLiteral("</運用>");
const QString crlf = QStringLiteral("\r\n");
const QString sectionIndent = QStringLiteral("   ");
const QString itemIndent = QStringLiteral("      ");
// The line-break mark of MakTag.
const QChar breakMark = QChar(0x2021);  // ‡

QString openTag(const QString& name)
{
    return QLatin1Char('<') + name + QLatin1Char('>');
}

QString closeTag(const QString& name)
{
    return QStringLiteral("</") + name + QLatin1Char('>');
}

// Opening through the desktop: what it cannot start is named in a message.
void openPage(const QUrl& url, const char* what)
{
    if (!desktopServices().openUrl(url))
        tellNotOpened(QString::fromUtf8(what),
                      url.isLocalFile() ? url.toLocalFile() : url.toString(),
                      QString::fromUtf8("ﾌﾞﾗｳｻﾞｰ"));
}

void openFolder(const QString& folder)
{
    if (!desktopServices().openUrl(QUrl::fromLocalFile(folder)))
        tellNotOpened(QString::fromUtf8("ﾌｫﾙﾀﾞを開けませんでした。"), folder,
                      QString::fromUtf8("ﾌｧｲﾙﾏﾈｰｼﾞｬｰ"));
}

std::unique_ptr<SettingsStore>& sharedStore()
{
    static std::unique_ptr<SettingsStore> store;
    return store;
}

}  // namespace

// --- Environment ---------------------------------------------------------------------------

void SettingsStore::W_UserData(QWidget* nWhnd)
{
    m_ownerWindow = nWhnd;
    UserDataFolder::establish();
}

QString SettingsStore::FsGtSpFld(int nFlg) const
{
    return UserDataFolder::specialFolder(nFlg);
}

bool SettingsStore::F_ChkSb(const QString& sPh, const QStringList& Ary)
{
    return UserDataFolder::createSubFolders(sPh, Ary);
}

bool SettingsStore::F_CreateFld(const QString& sFd)
{
    return UserDataFolder::createFolderPath(sFd);
}

// --- Settings file -------------------------------------------------------------------------

void SettingsStore::GetTxt(const QString& sFL, bool& bOk)
{
    bOk = false;
    m_text.clear();
    m_filePath = sFL;
    // The second build of the program ("_dv") shares the ordinary build's settings.
    const qsizetype dv = m_filePath.indexOf(QLatin1String("_DV.xml"), 0, Qt::CaseInsensitive);
    if (dv >= 0)
        m_filePath.replace(dv, 7, QStringLiteral(".xml"));

    m_backupPath.clear();
    m_encoding = SettingsFileText::Encoding::Cp932;
    FileSystem& files = fileSystem();
    if (files.fileExists(m_filePath)) {
        const std::optional<QByteArray> bytes = files.readFile(m_filePath, kMaxFileBytes);
        if (!bytes || bytes->size() > kMaxFileBytes) {
            loadFileBytes(QByteArray());
            setAside(bytes ? QStringLiteral("大きすぎます (上限 %1 MB)").arg(kMaxFileBytes >> 20)
                           : QStringLiteral("読み取りできません"),
                     true);
            return;
        }
        if (loadFileBytes(*bytes))
            setAside(QStringLiteral("文字として読めない部分があります"), true);
    } else if (files.anythingAt(m_filePath)) {
        loadFileBytes(QByteArray());
        setAside(QStringLiteral("通常のﾌｧｲﾙではありません"), false);
        return;
    } else {
        if (!files.createEmptyFile(m_filePath))
            return;
        loadFileBytes(QByteArray());
    }
    bOk = true;
}

bool SettingsStore::loadFileBytes(const QByteArray& bytes)
{
    // A file whose first line is empty counts as empty: the next save replaces it whole.
    const bool firstLineEmpty = bytes.isEmpty() || bytes.front() == '\r' || bytes.front() == '\n';
    m_text.clear();
    m_encoding = SettingsFileText::Encoding::Cp932;
    bool damaged = false;
    if (!firstLineEmpty) {
        SettingsFileText::Decoded decoded = SettingsFileText::decode(bytes);
        m_text = std::move(decoded.text);
        m_encoding = decoded.encoding;
        damaged = decoded.damaged;
    }
    if (m_text.isEmpty())
        m_text = MakTag(NewFile, rootName, QString(breakMark));
    return damaged;
}

QByteArray SettingsStore::fileBytes() const
{
    return SettingsFileText::encode(m_text, m_encoding);
}

void SettingsStore::GetGtx(const QString& sGp)
{
    m_sectionName = sGp;
    m_sectionText = GetTag(WholeText, sGp);
}

SettingValue SettingsStore::vGtVal(const QString& sKy, const SettingValue& vDef)
{
    const QString stored = GetTag(SectionText, sKy);
    switch (vDef.kind()) {
    case SettingValue::Kind::Text: return stored.isEmpty() ? vDef : SettingValue(stored);
    case SettingValue::Kind::Boolean: {
        if (stored.isEmpty())
            return vDef;
        bool ok = false;
        const bool flag = SettingValue::parseBoolean(stored, &ok);
        return ok ? SettingValue(flag) : vDef;  // a text that is no boolean keeps the default
    }
    case SettingValue::Kind::DateTime: {
        const QDateTime moment = SettingValue::parseDateTime(stored);
        return moment.isValid() ? SettingValue(moment) : vDef;
    }
    default: return stored.isEmpty() ? vDef : SettingValue(leadingNumber(stored));
    }
}

void SettingsStore::SetTxt(bool& bOk)
{
    if (m_filePath.isEmpty())
        return;
    m_lastError.clear();
    FileSystem& files = fileSystem();
    if (!m_backupPath.isEmpty() && files.fileExists(m_filePath)) {
        if (!files.keepAs(m_filePath, m_backupPath)) {
            m_lastError =
                QStringLiteral("元のﾌｧｲﾙを ") + m_backupPath + QStringLiteral(" として残せません");
            bOk = false;
            return;
        }
    }
    m_backupPath.clear();  // kept once; what is written now is the program's own
    bOk = files.writeFileAtomically(m_filePath, fileBytes(), &m_lastError);
}

void SettingsStore::setAside(const QString& reason, bool keep)
{
    QString text = QStringLiteral("ﾕｰｻﾞｰ環境ﾌｧｲﾙ(") + m_filePath +
                   QStringLiteral(") が読み込めません: ") + reason +
                   QStringLiteral("\r読めない設定は既定の値で始めます");
    if (keep) {
        FileSystem& files = fileSystem();
        m_backupPath = m_filePath + QStringLiteral(".bak");
        for (int n = 2; files.anythingAt(m_backupPath) && n < 1000; ++n)
            m_backupPath = m_filePath + QStringLiteral(".bak") + QString::number(n);
        text += QStringLiteral("\r元のﾌｧｲﾙは終了時に ") + m_backupPath +
                QStringLiteral(" として残します");
    }
    userPrompt().message(programTitle(), text);
}

void SettingsStore::SetGtx()
{
    if (m_text.isEmpty())
        m_text = MakTag(NewFile, rootName, QString(breakMark));
    const qsizetype nameLength = m_sectionName.size();
    const qsizetype p = m_text.indexOf(openTag(m_sectionName));
    // The closing tag is looked for from the line feed after the opening tag on.
    const qsizetype e = p >= 0 ? m_text.indexOf(closeTag(m_sectionName), p + nameLength + 3) : -1;
    if (p >= 0 && e >= 0) {
        // Keep the opening tag and its line break, replace the body and the closing indentation.
        m_text = m_text.left(p + nameLength + 4) + m_sectionText + sectionIndent + m_text.mid(e);
        return;
    }
    // A new section goes just before the root's closing tag, after every existing section.
    const QString section = MakTag(Section, m_sectionName, m_sectionText);
    const qsizetype r = m_text.indexOf(rootClose);
    if (r >= 0) {
        m_text = m_text.left(r) + section + m_text.mid(r);
        return;
    }
    // A text without the root's closing tag gets the section at its end, and the closing tag.
    if (!m_text.endsWith(QLatin1Char('\n')))
        m_text += crlf;
    m_text += section + rootClose;
}

void SettingsStore::SetVal(const QString& sKy, const SettingValue& vVL)
{
    const qsizetype keyLength = sKy.size();
    const qsizetype a = m_sectionText.indexOf(openTag(sKy));
    const qsizetype e = a >= 0 ? m_sectionText.indexOf(closeTag(sKy), a + keyLength + 2) : -1;
    if (a >= 0 && e >= 0) {
        m_sectionText = m_sectionText.left(a + keyLength + 2) + vVL.text() + m_sectionText.mid(e);
        return;
    }
    m_sectionText += MakTag(Item, sKy, vVL);
}

QString SettingsStore::GetTag(TagScope mode, const QString& name)
{
    const QString& scope = mode == WholeText ? m_text : m_sectionText;
    if (scope.isEmpty())
        return QString();
    const qsizetype b = scope.indexOf(openTag(name));
    const qsizetype c = scope.indexOf(closeTag(name));
    if (b < 0 && c < 0)
        return QString();
    if (b < 0 || c < 0 || c < b) {
        showDamage(name);
        return QString();
    }
    const qsizetype s = b + name.size() + 2;  // just after the opening tag
    if (mode == SectionText)
        return c > s ? scope.mid(s, c - s) : QString();
    // Without the CR LF after the opening tag and the three blanks before the closing tag.
    const qsizetype length = c - s - 5;
    return length > 0 ? scope.mid(s + 2, length) : QString();
}

QString SettingsStore::MakTag(TagKind kind, const QString& name, const SettingValue& body)
{
    QString out;
    switch (kind) {
    case NewFile:
        out = QStringLiteral("<?xml version='1.0' encoding='Shift-JIS' ?>") + breakMark +
              openTag(name) + body.text() + closeTag(name);
        break;
    case Section:
        out = sectionIndent + openTag(name) + breakMark + body.text() + sectionIndent +
              closeTag(name) + breakMark;
        break;
    case Item: out = itemIndent + openTag(name) + body.text() + closeTag(name) + breakMark; break;
    }
    out.replace(breakMark, crlf);
    return out;
}

void SettingsStore::showDamage(const QString& name) const
{
    userPrompt().message(programTitle(), QLatin1Char('<') + name +
                                             QStringLiteral("> の設定が読み込めません\r") +
                                             QStringLiteral("ﾕｰｻﾞｰ環境ﾌｧｲﾙ(") + m_filePath +
                                             QStringLiteral(") が破損しています"));
}

SettingsStore& yIni()
{
    if (!sharedStore())
        sharedStore() = std::make_unique<SettingsStore>();
    return *sharedStore();
}

void releaseSettingsStore()
{
    sharedStore().reset();
}

bool settingsStoreExists()
{
    return sharedStore() != nullptr;
}

// --- Shell helpers ---------------------------------------------------------------------------
// The shell helpers of the settings store: they hand work to the desktop through the
// DesktopServices seam and never wait for the program the desktop starts.
//
// Where the program once wrote a shell shortcut and asked the shell to open that shortcut, it
// writes a freedesktop desktop entry of the same name and target and then opens the target
// itself: a desktop opens a ".desktop" file in a text editor rather than following it.

void SettingsStore::W_Help(const QString& sJob)
{
    // A failing step before the opening ends the operation silently; nothing is opened after it.
    if (processValues().userDataFolder.isEmpty())
        return;
    const QString target = helpBaseUrl() + helpPageName(sJob);
    if (!DesktopEntry::writeLink(helpEntryPath(),
                                 processValues().programName + QStringLiteral("_help"), target)) {
        qCWarning(lcEnvironment) << "W_Help: desktop entry not written:" << helpEntryPath();
        return;
    }
    openPage(QUrl(target), "ﾍﾙﾌﾟを開けませんでした。");
}

void SettingsStore::W_HtmView(const QString& sUrl)
{
    // The sub folder "Wrk" is not made here: without it the entry cannot be written and nothing
    // opens.
    if (processValues().userDataFolder.isEmpty())
        return;
    if (!DesktopEntry::writeLink(htmViewEntryPath(), QStringLiteral("htm_view"), sUrl)) {
        qCWarning(lcEnvironment) << "W_HtmView: desktop entry not written:" << htmViewEntryPath();
        return;
    }
    openPage(QUrl::fromUserInput(sUrl), "ﾍﾟｰｼﾞを開けませんでした。");
}

void SettingsStore::W_SendTo()
{
    const QString folder = FsGtSpFld(9);
    if (folder.isEmpty())
        return;
    // The desktop's own entry folder may not have been made yet on a fresh account.
    if (!QDir().mkpath(folder)) {
        qCWarning(lcEnvironment) << "W_SendTo: folder not made:" << folder;
        return;
    }
    const ProcessValues& pv = processValues();
    const QString executable = programFolder() + pv.programName;
    // The formats the program reads (FlashPix is not read yet). The icon is the desktop theme's
    // scanner.
    static const QStringList opened = {
        QStringLiteral("image/bmp"),  QStringLiteral("image/jpeg"),
        QStringLiteral("image/tiff"), QStringLiteral("image/png"),
        QStringLiteral("image/gif"),  QStringLiteral("image/vnd.zbrush.pcx"),
        QStringLiteral("image/jp2"),  QStringLiteral("image/x-jp2-codestream")};
    if (!DesktopEntry::writeApplication(sendToEntryPath(), pv.programName, executable,
                                        QStringLiteral("scanner"), opened)) {
        qCWarning(lcEnvironment) << "W_SendTo: desktop entry not written:" << sendToEntryPath();
        return;
    }
    userPrompt().message(programTitle(), executable + QString::fromUtf8(" のｼｮｰﾄｶｯﾄを ") + folder +
                                             QString::fromUtf8(" に作成しました"));
}

void SettingsStore::W_ExpFd(const QString& sFld, bool bOpn)
{
    if (sFld.isEmpty())
        return;
    if (bOpn) {
        openFolder(sFld);
        return;
    }
    EnsureFileSystem();
    if (fileSystem().folderExists(sFld))
        openFolder(sFld);
}

}  // namespace tavlo
