#include "app/scaffolding_window.h"

#include "app/program.h"
#include "environment/process_values.h"
#include "environment/settings_store.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>

namespace tavlo {

ScaffoldingWindow::ScaffoldingWindow(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Tavlo"));
    QMenu* file = menuBar()->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    quitAction_ = file->addAction(QStringLiteral("終了(&X)"));
    connect(quitAction_, &QAction::triggered, this, [] { EndProgram(); });

    // The environment steps of the load sequence: user data folder, work folder, settings file.
    SettingsStore& store = yIni();
    store.W_UserData(this);
    const QString userData = processValues().userDataFolder;
    store.F_ChkSb(userData, {QStringLiteral("Temp")});
    bool loaded = false;
    store.GetTxt(userData + QStringLiteral("User.xml"), loaded);

    auto* label = new QLabel(QStringLiteral("作業ﾌｫﾙﾀﾞ: ") + userData + QStringLiteral("Temp"));
    label->setAlignment(Qt::AlignCenter);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    setCentralWidget(label);
    resize(640, 400);
}

void ScaffoldingWindow::closeEvent(QCloseEvent* event)
{
    // There is no state to save yet, so every close that EndProgram did not start quits.
    event->accept();
    if (!processValues().ending)
        EndProgram();
}

QWidget* createScaffoldingWindow()
{
    return new ScaffoldingWindow;
}

}  // namespace tavlo
