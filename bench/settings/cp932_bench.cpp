// Encoding the settings text to code page 932: 5 million characters (10 MB in memory) of Japanese
// and ASCII in which every tenth character has no code page 932 form and becomes "?".
#include "environment/cp932.h"

#include <benchmark/benchmark.h>

namespace tavlo {
namespace {

QString settingsText()
{
    // Nine characters code page 932 holds, then one it does not (a Hangul syllable).
    const QString pattern = QStringLiteral("ﾌｫｰﾑ設定Top") + QChar(0xac00);
    QString text;
    text.reserve(5'000'000);
    while (text.size() + pattern.size() <= 5'000'000)
        text += pattern;
    return text;
}

void encodeSettingsText(benchmark::State& state)
{
    const QString text = settingsText();
    for (auto _ : state) {
        const QByteArray bytes = Cp932::encode(text);
        benchmark::DoNotOptimize(bytes.constData());
    }
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
}
BENCHMARK(encodeSettingsText)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tavlo

BENCHMARK_MAIN();
