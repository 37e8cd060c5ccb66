#pragma once

#include <QWidget>

#include <functional>
#include <memory>

class Runtime;

// A window of the program. Each has one instance per run, held by a FormSlot.
class Form : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form)

public:
    explicit Form(Runtime &runtime);

    // Runs once, when the form is loaded.
    virtual void Form_Load() {}

    // Shows the form modeless, without an owner window, centred on the screen the first time.
    void Show();
    void Hide() { hide(); }

    // Called as the form is unloaded: it hides, and its timers tick no more, even while the
    // pending events run before it is gone.
    void unloading();

protected:
    // A close asked for by the system (the keyboard's close command, the window manager).
    // The form stays unless the form routes it to its own exit.
    virtual void systemClose() {}
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;

    Runtime &m_runtime;

private:
    bool m_placed = false;
};

// Holds the one instance of a form: Load creates it hidden and runs its Form_Load; touching the
// form through the slot loads it the same way; Unload destroys it.
template <class F> class FormSlot final
{
public:
    explicit FormSlot(std::function<std::unique_ptr<F>()> make) : m_make(std::move(make)) {}
    FormSlot(const FormSlot &) = delete;
    FormSlot &operator=(const FormSlot &) = delete;
    ~FormSlot() { delete m_form; }

    bool loaded() const { return m_form != nullptr; }

    void Load()
    {
        if (m_form)
            return;
        m_form = m_make().release();
        m_form->Form_Load();
    }

    void Unload()
    {
        if (!m_form)
            return;
        F *form = m_form;
        m_form = nullptr;
        form->unloading();
        // Later, so that a form may unload itself from one of its own handlers.
        form->deleteLater();
    }

    void Show() { get().Show(); }
    void Hide() { get().Hide(); }

    F &get()
    {
        Load();
        return *m_form;
    }
    F *operator->() { return &get(); }
    F &operator*() { return get(); }

private:
    std::function<std::unique_ptr<F>()> m_make;
    F *m_form = nullptr;
};
