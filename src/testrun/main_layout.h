#pragma once

#include "ui_frm_main.h"
#include "ui_question_panel.h"

#include <memory>

class QWidget;

// The main window's controls: those of its own layout and those of the question panel it loads
// into Picture1.
struct MainWindowUi final : Ui::frmMain, Ui::QuestionPanel
{};

// Builds the main window's controls on `window` as laid out, the question panel among them.
std::unique_ptr<MainWindowUi> setUpMainLayout(QWidget &window);
