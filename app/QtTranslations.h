#pragma once

class QCoreApplication;

// Puts Qt's own texts (the standard buttons of message boxes, the file
// dialog, the edit menus of text fields) into Chinese from the translations
// Qt ships, whatever the desktop's language. Returns whether they were found.
bool InstallQtChineseTranslations(QCoreApplication &app);
