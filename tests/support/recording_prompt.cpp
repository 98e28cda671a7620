#include "tests/support/recording_prompt.h"

namespace tavlo::test {

RecordingPrompt::RecordingPrompt()
{
    setUserPrompt(this);
}

RecordingPrompt::~RecordingPrompt()
{
    setUserPrompt(nullptr);
}

void RecordingPrompt::message(const QString& title, const QString& text)
{
    shown.append({QStringLiteral("message"), title, text, {}, {}});
}

bool RecordingPrompt::confirm(const QString& title, const QString& text)
{
    shown.append({QStringLiteral("confirm"), title, text, {}, {}});
    if (confirmAnswers.empty())
        return false;
    const bool answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
}

int RecordingPrompt::choose(const QString& title, const QString& text, const QStringList& buttons)
{
    shown.append({QStringLiteral("choose"), title, text, {}, buttons});
    if (chooseAnswers.empty())
        return int(buttons.size()) - 1;
    const int answer = chooseAnswers.front();
    chooseAnswers.pop_front();
    return answer;
}

QString RecordingPrompt::openFileName(const FileDialogRequest& request)
{
    return fileAnswer(QStringLiteral("open"), request);
}

QString RecordingPrompt::saveFileName(FileDialogRequest& request)
{
    const QString answer = fileAnswer(QStringLiteral("save"), request);
    if (!filterAnswers.empty()) {
        request.selectedFilter = filterAnswers.front();
        filterAnswers.pop_front();
    }
    return answer;
}

QString RecordingPrompt::folderName(const FileDialogRequest& request)
{
    return fileAnswer(QStringLiteral("folder"), request);
}

QString RecordingPrompt::fileAnswer(const QString& kind, const FileDialogRequest& request)
{
    shown.append({kind, request.title, request.title, request, {}});
    if (fileAnswers.empty())
        return QString();
    const QString answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

QStringList RecordingPrompt::messages() const
{
    QStringList texts;
    for (const Shown& s : shown) {
        if (s.kind == QLatin1String("message"))
            texts.append(s.text);
    }
    return texts;
}

QStringList RecordingPrompt::questions() const
{
    QStringList texts;
    for (const Shown& s : shown) {
        if (s.kind == QLatin1String("confirm") || s.kind == QLatin1String("choose"))
            texts.append(s.text);
    }
    return texts;
}

}  // namespace tavlo::test
