#include "app/main_window_factory.h"
#include "app/program.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    tavlo::StartProgram(&tavlo::createMainWindow);
    return QApplication::exec();
}
