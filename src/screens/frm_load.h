#pragma once

#include "form.h"

#include <memory>

namespace Ui {
class frmLoad;
}

// The splash: shown while start-up loads and shapes the main window. It has no handlers.
class frmLoad final : public Form
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmLoad)

public:
    explicit frmLoad(Runtime &runtime);
    ~frmLoad() override;

    Ui::frmLoad &ui() { return *m_ui; }

private:
    std::unique_ptr<Ui::frmLoad> m_ui;
};
