#pragma once

// What the two scan-run benchmarks share: their defaults, their common options, the stand-ins
// that answer for a person, and the measure of the longest stall of the event loop.
#include "environment/user_prompt.h"
#include "imaging/scan/qt_scan_dialogs.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace tavlo::bench {

// The offscreen platform and the project's SANE configuration, unless the caller chose others.
inline void useBenchEnvironment()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("SANE_CONFIG_DIR"))
        qputenv("SANE_CONFIG_DIR", TAVLO_SANE_CONFIG_DIR);
}

// --dpi, --mode, --source and --trace.
inline void addScanOptions(QCommandLineParser& parser)
{
    parser.addOption({QStringLiteral("dpi"), QStringLiteral("resolution"), QStringLiteral("dpi"),
                      QStringLiteral("300")});
    parser.addOption({QStringLiteral("mode"), QStringLiteral("SANE mode"), QStringLiteral("mode"),
                      QStringLiteral("Color")});
    parser.addOption({QStringLiteral("source"), QStringLiteral("SANE source"),
                      QStringLiteral("source"), QStringLiteral("Automatic Document Feeder")});
    parser.addOption(
        {QStringLiteral("trace"), QStringLiteral("print each page and each stall over 20 ms")});
}

// The real progress dialog, with the settings answered from the command line.
class BenchDialogs : public scan::QtScanDialogs {
public:
    scan::ScanSettings preset;

    // An A4 page of the test device's colour pattern at 8 bits, as the options ask.
    void presetA4(const QCommandLineParser& parser)
    {
        using scan::ScanSettings;
        preset.set(ScanSettings::kSource, parser.value(QStringLiteral("source")));
        preset.set(ScanSettings::kMode, parser.value(QStringLiteral("mode")));
        preset.set(ScanSettings::kDepth, QStringLiteral("8"));
        preset.set(ScanSettings::kResolution, parser.value(QStringLiteral("dpi")));
        preset.set(ScanSettings::kLeft, QStringLiteral("0"));
        preset.set(ScanSettings::kTop, QStringLiteral("0"));
        preset.set(ScanSettings::kRight, QStringLiteral("210"));
        preset.set(ScanSettings::kBottom, QStringLiteral("297"));
        preset.set(QStringLiteral("test-picture"), QStringLiteral("Color pattern"));
        preset.paper = QStringLiteral("A4");
    }

    bool editSettings(const scan::ScanDevice&, const QList<scan::ScanOption>&,
                      scan::ScanSettings& settings, QWidget*, scan::OpenScanner*) override
    {
        for (const auto& [name, value] : preset.values)
            settings.set(name, value);
        settings.paper = preset.paper;
        return true;
    }
};

// Messages go to stderr and are counted: a benchmark has nobody to press OK.
class PrintingPrompt : public UserPrompt {
public:
    int messages = 0;
    void message(const QString& title, const QString& text) override
    {
        ++messages;
        std::fprintf(stderr, "%s: %s\n", qPrintable(title),
                     qPrintable(QString(text).replace(u'\r', u' ')));
    }
    bool confirm(const QString& title, const QString& text) override
    {
        message(title, text);
        return false;
    }
    int choose(const QString& title, const QString& text, const QStringList& buttons) override
    {
        message(title, text);
        return int(buttons.size()) - 1;
    }
    QString openFileName(const FileDialogRequest&) override { return QString(); }
    QString saveFileName(FileDialogRequest&) override { return QString(); }
};

// The longest gap between two turns of the user-interface thread's event loop, measured by a
// 1 ms timer while the run lasts; with trace, every gap over 20 ms is printed.
class StallMeter {
public:
    StallMeter(const QElapsedTimer& clock, bool trace) : m_clock(clock)
    {
        m_ticker.setTimerType(Qt::PreciseTimer);
        m_ticker.setInterval(1);
        QObject::connect(&m_ticker, &QTimer::timeout, &m_ticker, [this, trace] {
            const qint64 now = m_clock.nsecsElapsed();
            if (trace && now - m_lastTick > 20000000)
                std::fprintf(stderr, "stall %.1f ms ending at %.1f ms\n", (now - m_lastTick) / 1e6,
                             now / 1e6);
            m_longestNs = std::max(m_longestNs, now - m_lastTick);
            m_lastTick = now;
        });
    }

    // SANE starts in the scanning thread; lets it finish before the measure starts.
    static void settle()
    {
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 200)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }

    void start()
    {
        m_lastTick = m_clock.nsecsElapsed();
        m_ticker.start();
    }
    void stop() { m_ticker.stop(); }
    double longestMs() const { return m_longestNs / 1e6; }

private:
    const QElapsedTimer& m_clock;
    QTimer m_ticker;
    qint64 m_lastTick = 0;
    qint64 m_longestNs = 0;
};

}  // namespace tavlo::bench
