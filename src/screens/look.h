#pragma once

class QApplication;

// The program's look, the same in every window: answer boxes small enough for the 13-pixel
// answer lines of the question panel.
void applyProgramLook(QApplication &app);
