#pragma once

class QCoreApplication;

// Qt's own Chinese texts (message-box buttons, file dialogs, context menus of text boxes), from the
// translations installed with Qt. False when they are not installed: the program then runs with
// Qt's English texts.
bool installQtTranslation(QCoreApplication& app);
