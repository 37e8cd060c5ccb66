#pragma once

#include <memory>

class QWidget;
namespace Ui {
class frmMain;
}

// Builds the main window's controls on `window` as laid out, with the fonts, sizes and text
// formats the exam shows questions in. The staff's tool measures texts against the same controls.
std::unique_ptr<Ui::frmMain> setUpMainLayout(QWidget &window);
