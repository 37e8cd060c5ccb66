#include <QApplication>
#include <QWidget>

// The smallest Widgets program that shows a window: the yardstick for how soon a Qt program can
// have its first window on screen. It has the registration window's size, so that the benchmark
// recognises both windows the same way.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(422, 219);
    window.show();
    return QApplication::exec();
}
