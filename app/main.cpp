#include "app/program.h"
#include "app/scaffolding_window.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The main window replaces the scaffolding window here when it lands.
    tavlo::StartProgram(&tavlo::createScaffoldingWindow);
    return QApplication::exec();
}
