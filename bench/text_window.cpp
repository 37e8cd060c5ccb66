#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

// The smallest Widgets program whose first window draws text: a label and a line edit in a
// window of the registration window's size. The first window of any program that shows text pays
// the font set-up, so this is the fair floor to measure the program's start-up against.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(422, 219);
    QLabel label(QStringLiteral("Фамилия"), &window);
    label.move(30, 102);
    QLineEdit field(&window);
    field.setGeometry(102, 102, 289, 19);
    window.show();
    return QApplication::exec();
}
