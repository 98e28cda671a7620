#pragma once

#include "environment/process_values.h"
#include "main_window/main_window.h"

#include "tests/support/recording_desktop.h"
#include "tests/support/recording_prompt.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QTemporaryDir>

#include <memory>

namespace tavlo::test {

// A program "tavlo" in a folder of its own whose "UserData.ini" names a user data folder of its
// own, so every test starts the main window on a fresh machine. Messages, dialogs and the desktop
// are recorded; the end of the program is only counted.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the window; its load sequence runs.
    std::unique_ptr<fmMain> start();

    QString userFolder() const { return m_user.path(); }
    QString workFolder() const { return m_user.path() + QStringLiteral("/Temp"); }
    QString programFolder() const { return m_program.path(); }
    QString userXml() const { return m_user.path() + QStringLiteral("/User.xml"); }

    QByteArray readUserXml() const { return readFile(userXml()); }
    void writeUserXml(const QString& text) const;

    // A 7 x 5 colour BMP at path.
    static void writeBmp(const QString& path, int width = 7, int height = 5);
    static void writeFile(const QString& path, const QByteArray& bytes);
    static QByteArray readFile(const QString& path);

    // Success when no message box was shown; otherwise the texts shown.
    ::testing::AssertionResult noMessages() const;

    // The settings file as the program writes it, from its two sections' items in order.
    static QString settingsText(const QList<QPair<QString, QString>>& form,
                                const QList<QPair<QString, QString>>& user);

    RecordingPrompt prompt;
    RecordingDesktop desktop;
    int ended = 0;

private:
    QTemporaryDir m_program;
    QTemporaryDir m_user;
    ProcessValues m_saved;
};

}  // namespace tavlo::test
