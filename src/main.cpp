#include "screens/look.h"
#include "screens/runtime.h"
#include "screens/system_services.h"
#include "shell/mdl2.h"
#include "shell/program.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The program ends only by its own End; hiding or closing a window never quits it.
    QApplication::setQuitOnLastWindowClosed(false);
    applyProgramLook(app);

    SystemClock clock;
    SystemRandom random;
    DialogBoxes boxes;
    ProcessEnding ending;
    Runtime runtime(clock, random, boxes, ending, QCoreApplication::applicationDirPath());
    Program program(runtime);

    runtime.run([&] { Main(program); });
    return QApplication::exec();
}
