#include "environment/settings_store.h"

#include "environment/cp932.h"
#include "environment/file_system.h"
#include "environment/number_text.h"
#include "environment/process_values.h"
#include "environment/user_data_folder.h"
#include "environment/user_prompt.h"

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

std::unique_ptr<SettingsStore>& sharedStore()
{
    static std::unique_ptr<SettingsStore> store;
    return store;
}

}  // namespace

// --- Environment ---------------------------------------------------------------------------

void SettingsStore::W_UserData(QWidget* nWhnd)
{
    ownerWindow_ = nWhnd;
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
    text_.clear();
    filePath_ = sFL;
    // The second build of the program ("_dv") shares the ordinary build's settings.
    const qsizetype dv = filePath_.indexOf(QLatin1String("_DV.xml"), 0, Qt::CaseInsensitive);
    if (dv >= 0)
        filePath_.replace(dv, 7, QStringLiteral(".xml"));

    FileSystem& files = fileSystem();
    if (files.fileExists(filePath_)) {
        const std::optional<QByteArray> bytes = files.readFile(filePath_);
        if (!bytes)
            return;
        loadFileBytes(*bytes);
    } else {
        if (!files.createEmptyFile(filePath_))
            return;
        loadFileBytes(QByteArray());
    }
    bOk = true;
}

void SettingsStore::loadFileBytes(const QByteArray& bytes)
{
    // A file whose first line is empty counts as empty: the next save replaces it whole.
    const bool firstLineEmpty = bytes.isEmpty() || bytes.front() == '\r' || bytes.front() == '\n';
    text_ = firstLineEmpty ? QString() : Cp932::decode(bytes);
    if (text_.isEmpty())
        text_ = MakTag(NewFile, rootName, QString(breakMark));
}

QByteArray SettingsStore::fileBytes() const
{
    return Cp932::encode(text_);
}

void SettingsStore::GetGtx(const QString& sGp)
{
    sectionName_ = sGp;
    sectionText_ = GetTag(WholeText, sGp);
}

SettingValue SettingsStore::vGtVal(const QString& sKy, const SettingValue& vDef)
{
    const QString stored = GetTag(SectionText, sKy);
    switch (vDef.kind()) {
    case SettingValue::Kind::Text:
        return stored.isEmpty() ? vDef : SettingValue(stored);
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
    default:
        return stored.isEmpty() ? vDef : SettingValue(leadingNumber(stored));
    }
}

void SettingsStore::SetTxt(bool& bOk)
{
    if (filePath_.isEmpty())
        return;
    bOk = fileSystem().writeFileAtomically(filePath_, fileBytes());
}

void SettingsStore::SetGtx()
{
    if (text_.isEmpty())
        text_ = MakTag(NewFile, rootName, QString(breakMark));
    const qsizetype nameLength = sectionName_.size();
    const qsizetype p = text_.indexOf(openTag(sectionName_));
    // The closing tag is looked for from the line feed after the opening tag on.
    const qsizetype e = p >= 0 ? text_.indexOf(closeTag(sectionName_), p + nameLength + 3) : -1;
    if (p >= 0 && e >= 0) {
        // Keep the opening tag and its line break, replace the body and the closing indentation.
        text_ = text_.left(p + nameLength + 4) + sectionText_ + sectionIndent + text_.mid(e);
        return;
    }
    // A new section goes just before the root's closing tag, after every existing section.
    const QString section = MakTag(Section, sectionName_, sectionText_);
    const qsizetype r = text_.indexOf(rootClose);
    if (r >= 0) {
        text_ = text_.left(r) + section + text_.mid(r);
        return;
    }
    // A text without the root's closing tag gets the section at its end, and the closing tag.
    if (!text_.endsWith(QLatin1Char('\n')))
        text_ += crlf;
    text_ += section + rootClose;
}

void SettingsStore::SetVal(const QString& sKy, const SettingValue& vVL)
{
    const qsizetype keyLength = sKy.size();
    const qsizetype a = sectionText_.indexOf(openTag(sKy));
    const qsizetype e = a >= 0 ? sectionText_.indexOf(closeTag(sKy), a + keyLength + 2) : -1;
    if (a >= 0 && e >= 0) {
        sectionText_ = sectionText_.left(a + keyLength + 2) + vVL.text() + sectionText_.mid(e);
        return;
    }
    sectionText_ += MakTag(Item, sKy, vVL);
}

QString SettingsStore::GetTag(TagScope mode, const QString& name)
{
    const QString& scope = mode == WholeText ? text_ : sectionText_;
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
    case Item:
        out = itemIndent + openTag(name) + body.text() + closeTag(name) + breakMark;
        break;
    }
    out.replace(breakMark, crlf);
    return out;
}

void SettingsStore::showDamage(const QString& name) const
{
    userPrompt().message(programTitle(),
                         QLatin1Char('<') + name + QStringLiteral("> の設定が読み込めません\r") +
                             QStringLiteral("ﾕｰｻﾞｰ環境ﾌｧｲﾙ(") + filePath_ +
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

}  // namespace tavlo
