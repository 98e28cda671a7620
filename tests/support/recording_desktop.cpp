#include "tests/support/recording_desktop.h"

namespace tavlo::test {

RecordingDesktop::RecordingDesktop()
{
    setDesktopServices(this);
}

RecordingDesktop::~RecordingDesktop()
{
    setDesktopServices(nullptr);
}

bool RecordingDesktop::openUrl(const QUrl& url)
{
    opened.append(url);
    return answer;
}

bool RecordingDesktop::startProgram(const QString& program, const QStringList& arguments)
{
    started.append({program, arguments});
    return answer;
}

}  // namespace tavlo::test
