#pragma once

class QCoreApplication;

// Installs Qt's own Russian translation (qtbase_ru.qm from Qt's translations folder) into `app`:
// the file dialogs, the standard buttons, the text fields' menu and the key names in the menus
// are then in the language of the rest of the window. False when the file is not there; the
// window then works with Qt's English texts.
bool installQtTranslation(QCoreApplication &app);
