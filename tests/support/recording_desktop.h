#pragma once

#include "environment/desktop_services.h"

#include <QList>

namespace tavlo::test {

// A DesktopServices that records every URL opened and every program started, and starts nothing.
// It installs itself for its lifetime.
class RecordingDesktop : public DesktopServices {
public:
    struct Started {
        QString program;
        QStringList arguments;
    };

    RecordingDesktop();
    ~RecordingDesktop() override;

    bool openUrl(const QUrl& url) override;
    bool startProgram(const QString& program, const QStringList& arguments) override;

    QList<QUrl> opened;
    QList<Started> started;
    bool answer = true;  // what every request reports
};

}  // namespace tavlo::test
