#pragma once

#include "environment/user_prompt.h"
#include "imaging/scan/qt_scan_dialogs.h"

#include <cstdio>

namespace tavlo::bench {

// The real progress dialog, with the settings answered from the command line.
class BenchDialogs : public scan::QtScanDialogs {
public:
    scan::ScanSettings preset;
    bool editSettings(const scan::ScanDevice&, const QList<scan::ScanOption>&,
                      scan::ScanSettings& settings, QWidget*) override
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
    QString openFileName(const FileDialogRequest&) override { return QString(); }
    QString saveFileName(const FileDialogRequest&) override { return QString(); }
};

}  // namespace tavlo::bench
