#pragma once

#include "environment/user_prompt.h"

#include <QList>
#include <QStringList>

#include <deque>

namespace tavlo::test {

// A UserPrompt that records every message and answers from queues the test fills. It installs
// itself for its lifetime. Unanswered questions get Cancel (the last button of a choice) and
// unanswered dialogs "" (a cancel), so a test never waits for a person.
class RecordingPrompt : public UserPrompt {
public:
    struct Shown {
        QString kind;  // "message", "confirm", "choose", "open", "save"
        QString title;
        QString text;  // message text, or the dialog title
        FileDialogRequest request;
        QStringList buttons;  // of a "choose"
    };

    RecordingPrompt();
    ~RecordingPrompt() override;

    void message(const QString& title, const QString& text) override;
    bool confirm(const QString& title, const QString& text) override;
    int choose(const QString& title, const QString& text, const QStringList& buttons) override;
    QString openFileName(const FileDialogRequest& request) override;
    QString saveFileName(FileDialogRequest& request) override;
    QString folderName(const FileDialogRequest& request) override;  // kind "folder"; fileAnswers

    std::deque<bool> confirmAnswers;
    std::deque<int> chooseAnswers;  // button indexes; unanswered: the last button (cancel)
    std::deque<QString> fileAnswers;
    // The file type each save dialog answers with (an index into its filters); unanswered ones
    // keep the type shown first.
    std::deque<int> filterAnswers;
    QList<Shown> shown;

    // The texts of the message boxes shown so far, in order.
    QStringList messages() const;
    // The texts of the questions shown so far (confirm and choose), in order.
    QStringList questions() const;

private:
    QString fileAnswer(const QString& kind, const FileDialogRequest& request);
};

}  // namespace tavlo::test
