// Start and quit with settings files of 100 MB: the user data folder decided from a 100 MB
// "UserData.ini", and a 100 MB "User.xml" loaded and then saved (kept as "User.xml.bak", the new
// file written). Each must take well under 2 s: only the first kilobytes or megabytes are read.
// HOME and the XDG folders should point at a scratch folder (bench/settings_figures.sh does).
#include "environment/process_values.h"
#include "environment/settings_store.h"
#include "environment/user_data_folder.h"
#include "environment/user_prompt.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace tavlo {
namespace {

class SilentPrompt : public UserPrompt {
public:
    void message(const QString&, const QString&) override { }
    bool confirm(const QString&, const QString&) override { return false; }
    int choose(const QString&, const QString&, const QStringList& buttons) override
    {
        return int(buttons.size()) - 1;
    }
    QString openFileName(const FileDialogRequest&) override { return {}; }
    QString saveFileName(FileDialogRequest&) override { return {}; }
};

constexpr qint64 kHuge = qint64(100) << 20;

// A 100 MB file of text lines (written, not sparse, so the disk really holds it).
void writeHugeFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    QByteArray line;
    for (int i = 0; i < 1 << 16; ++i)
        line.append(char('a' + i % 26)).append(i % 64 == 63 ? "\r\n" : "");
    for (qint64 written = 0; written < kHuge; written += line.size())
        file.write(line);
}

void startWithHugeUserDataIni(benchmark::State& state)
{
    SilentPrompt prompt;
    setUserPrompt(&prompt);
    QTemporaryDir program;
    processValues().programName = QStringLiteral("tavlo");
    processValues().programFolderPath = program.path() + QLatin1Char('/');
    writeHugeFile(program.filePath(QStringLiteral("UserData.ini")));
    for (auto _ : state)
        UserDataFolder::establish();
    setUserPrompt(nullptr);
}
BENCHMARK(startWithHugeUserDataIni)->Unit(benchmark::kMillisecond)->Iterations(5);

void loadAndSaveHugeUserXml(benchmark::State& state)
{
    SilentPrompt prompt;
    setUserPrompt(&prompt);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("User.xml"));
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(path + QStringLiteral(".bak"));
        writeHugeFile(path);
        state.ResumeTiming();
        SettingsStore store;
        bool ok = false;
        store.GetTxt(path, ok);
        store.GetGtx(QStringLiteral("ﾌｫｰﾑ"));
        store.SetVal(QStringLiteral("Left"), 900);
        store.SetGtx();
        store.SetTxt(ok);
        benchmark::DoNotOptimize(ok);
    }
    setUserPrompt(nullptr);
}
BENCHMARK(loadAndSaveHugeUserXml)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
}  // namespace tavlo
