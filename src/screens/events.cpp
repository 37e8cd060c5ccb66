#include "events.h"

#include "runtime.h"
#include "scale.h"

#include <QEvent>
#include <QMouseEvent>
#include <QWidget>

namespace {

int buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

int shiftCode(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

class MouseHooks final : public QObject
{
public:
    MouseHooks(QWidget &control, Runtime &runtime) : QObject(&control), m_runtime(runtime)
    {
        setObjectName(QStringLiteral("_mouseHooks"));
        control.installEventFilter(this);
    }

    static MouseHooks &of(QWidget &control, Runtime &runtime)
    {
        auto *hooks = control.findChild<MouseHooks *>(QStringLiteral("_mouseHooks"),
                                                      Qt::FindDirectChildrenOnly);
        return hooks ? *hooks : *new MouseHooks(control, runtime);
    }

    MouseHandler down;
    MouseHandler up;
    std::function<void()> click;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *control = static_cast<QWidget *>(watched);
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (control->isEnabled()) {
                m_clickPending = true;
                m_pressedArea = QRect(control->mapToGlobal(QPoint(0, 0)), control->size());
                raise(down, *control, static_cast<QMouseEvent *>(event));
            }
            return true;
        case QEvent::MouseButtonDblClick:
            // Follows the press of a double click's second half, which then clicks nothing.
            m_clickPending = false;
            return true;
        case QEvent::MouseButtonRelease:
            if (control->isEnabled()) {
                auto *mouse = static_cast<QMouseEvent *>(event);
                // A control that moved under the pointer when pressed (a button's pressed look)
                // still clicks where it stood when it was pressed.
                const bool clicked =
                    m_clickPending && (control->rect().contains(mouse->position().toPoint()) ||
                                       m_pressedArea.contains(mouse->globalPosition().toPoint()));
                m_clickPending = false;
                raise(up, *control, mouse);
                if (clicked && click && control->isEnabled())
                    m_runtime.run(click);
            }
            return true;
        default:
            return false;
        }
    }

private:
    void raise(const MouseHandler &handler, const QWidget &control, const QMouseEvent *mouse)
    {
        if (!handler)
            return;
        const float unit = scaleModeOf(&control) == ScaleMode::Twips ? TwipsPerPixel : 1.0f;
        const MouseArgs args{buttonCode(mouse->button()), shiftCode(mouse->modifiers()),
                             static_cast<float>(mouse->position().x()) * unit,
                             static_cast<float>(mouse->position().y()) * unit};
        m_runtime.run([&] { handler(args); });
    }

    Runtime &m_runtime;
    bool m_clickPending = false;
    QRect m_pressedArea; // in screen coordinates
};

} // namespace

void onMouseDown(QWidget &control, Runtime &runtime, MouseHandler handler)
{
    MouseHooks::of(control, runtime).down = std::move(handler);
}

void onMouseUp(QWidget &control, Runtime &runtime, MouseHandler handler)
{
    MouseHooks::of(control, runtime).up = std::move(handler);
}

void onClick(QWidget &control, Runtime &runtime, std::function<void()> handler)
{
    MouseHooks::of(control, runtime).click = std::move(handler);
}
