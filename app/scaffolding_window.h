#pragma once

#include <QMainWindow>

class QAction;

namespace tavlo {

// A stand-in for the main window until it exists: titled "Tavlo", it runs the environment part of
// the main window's load sequence (user data folder, work folder "Temp", "User.xml") and offers
// the File menu with "終了(&X)". Quitting, or closing the window, runs the quit path: EndProgram.
class ScaffoldingWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit ScaffoldingWindow(QWidget* parent = nullptr);

    // The File menu's "終了(&X)".
    QAction* quitAction() const { return quitAction_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* quitAction_ = nullptr;
};

// The factory StartProgram is given until the main window exists.
QWidget* createScaffoldingWindow();

}  // namespace tavlo
