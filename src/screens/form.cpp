#include "form.h"

#include "runtime.h"
#include "timer.h"
#include "window_name.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

Form::Form(Runtime &runtime) : QWidget(nullptr), m_runtime(runtime)
{
    setWindowFlag(Qt::FramelessWindowHint);
    setAttribute(Qt::WA_DeleteOnClose, false);
}

void Form::Show()
{
    if (!m_placed) {
        m_placed = true;
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            QRect frame = geometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    show();
}

void Form::unloading()
{
    hide();
    for (Timer *timer : findChildren<Timer *>())
        timer->setEnabled(false);
}

void Form::closeEvent(QCloseEvent *event)
{
    event->ignore();
    m_runtime.run([this] { systemClose(); });
}

bool Form::event(QEvent *event)
{
    const bool handled = QWidget::event(event);
    // The window system's window now exists, with the name Qt gave it.
    if (event->type() == QEvent::WinIdChange)
        keepEmptyCaptionNameless(*this);
    return handled;
}
