// libFuzzer target for the settings file reader: the input is the bytes of a "User.xml". It is
// loaded; sections and items the main window uses and names found in the input's own tags are
// read in each kind, changed and committed; the result is written out, loaded and read again.
#include "environment/settings_store.h"
#include "environment/user_prompt.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

namespace {

// Damage messages go nowhere; the fuzzer has no person to answer them.
class SilentPrompt : public tavlo::UserPrompt {
public:
    void message(const QString&, const QString&) override { }
    bool confirm(const QString&, const QString&) override { return false; }
    int choose(const QString&, const QString&, const QStringList& buttons) override
    {
        return int(buttons.size()) - 1;
    }
    QString openFileName(const tavlo::FileDialogRequest&) override { return {}; }
    QString saveFileName(tavlo::FileDialogRequest&) override { return {}; }
};

// Up to `limit` names that stand between "<" and ">" in the text (a leading "/" dropped).
QStringList tagNames(const QString& text, int limit)
{
    QStringList names;
    for (qsizetype open = text.indexOf(QLatin1Char('<')); open >= 0 && names.size() < limit;
         open = text.indexOf(QLatin1Char('<'), open + 1)) {
        const qsizetype close = text.indexOf(QLatin1Char('>'), open + 1);
        if (close < 0 || close - open > 40)
            continue;
        QString name = text.mid(open + 1, close - open - 1);
        if (name.startsWith(QLatin1Char('/')))
            name.remove(0, 1);
        if (!names.contains(name))
            names.append(name);
    }
    return names;
}

void exercise(tavlo::SettingsStore& store, const QStringList& sections, const QStringList& keys,
              bool change)
{
    const QDateTime fallback(QDate(2000, 1, 1), QTime(0, 0));
    for (const QString& section : sections) {
        store.GetGtx(section);
        for (const QString& key : keys) {
            const tavlo::SettingValue text = store.vGtVal(key, QStringLiteral("d"));
            store.vGtVal(key, true);
            store.vGtVal(key, fallback);
            const tavlo::SettingValue number = store.vGtVal(key, 1.5);
            if (change) {
                store.SetVal(key, number.toDouble());
                store.SetVal(key, text.text() + QStringLiteral("‡"));
            }
        }
        if (change)
            store.SetGtx();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static SilentPrompt prompt;
    tavlo::setUserPrompt(&prompt);

    tavlo::SettingsStore store;
    store.loadFileBytes(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    const QStringList names = tagNames(store.text(), 3);
    const QStringList sections =
        QStringList{QStringLiteral("ﾌｫｰﾑ"), QStringLiteral("ﾕｰｻﾞｰ")} + names;
    const QStringList keys =
        QStringList{QStringLiteral("Left"), QStringLiteral("ｽｹｰﾙ表示")} + names;
    exercise(store, sections, keys, true);

    tavlo::SettingsStore again;
    again.loadFileBytes(store.fileBytes());
    exercise(again, sections, keys, false);
    return 0;
}
