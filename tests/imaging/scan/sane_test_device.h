#pragma once

// SANE's test backend as the scanning tests use it (SANE_CONFIG_DIR points at the project's sane/
// folder), answered by preset dialogs.
#include "tests/support/preset_scan_dialogs.h"

#include <dlfcn.h>

namespace tavlo::scan::test {

inline const QString kFlatbed = QStringLiteral("Flatbed");
inline const QString kFeeder = QStringLiteral("Automatic Document Feeder");

// ctest sets SANE_CONFIG_DIR; a test program started by hand finds the project's folder too. The
// backend is unloaded at every sane_exit; kept loaded, LeakSanitizer can name the leak it has on
// early endings (sane_test_backend_leaks.cpp).
inline void useSaneTestBackend()
{
    if (qEnvironmentVariableIsEmpty("SANE_CONFIG_DIR"))
        qputenv("SANE_CONFIG_DIR", TAVLO_SANE_CONFIG_DIR);
    static void* backend = dlopen("libsane-test.so.1", RTLD_NOW | RTLD_NODELETE);
    if (!backend)
        backend = dlopen(SANE_BACKEND_DIR "/libsane-test.so.1", RTLD_NOW | RTLD_NODELETE);
}

// A small, quick page unless the test asks for more: 50 dpi over an A4 area.
inline void preset(PresetScanDialogs& dialogs, const QString& source, const QString& mode,
                   int depth, int dpi = 50)
{
    dialogs.paper = QStringLiteral("A4");
    dialogs.overrides[QStringLiteral("source")] = source;
    dialogs.overrides[QStringLiteral("mode")] = mode;
    dialogs.overrides[QStringLiteral("depth")] = QString::number(depth);
    dialogs.overrides[QStringLiteral("resolution")] = QString::number(dpi);
    dialogs.overrides[QStringLiteral("test-picture")] = QStringLiteral("Color pattern");
}

}  // namespace tavlo::scan::test
