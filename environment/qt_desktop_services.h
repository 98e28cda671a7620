#pragma once

#include "environment/desktop_services.h"

namespace tavlo {

// The real desktop: QDesktopServices::openUrl and QProcess::startDetached.
class QtDesktopServices : public DesktopServices {
public:
    bool openUrl(const QUrl& url) override;
    bool startProgram(const QString& program, const QStringList& arguments) override;
};

}  // namespace tavlo
