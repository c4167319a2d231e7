#pragma once
// Qt's own texts in Spanish: the standard buttons and the file, folder and print dialogs
// come from Qt's Spanish translation (qtbase_es.qm of the system's Qt translations), loaded
// once at start by every program with a window.
//
// Errors: installSpanishTranslation() returns false when the system has no Spanish
// translation of Qt; the programs then go on with Qt's texts (the message boxes still
// speak Spanish: GuiMessageService sets their button texts itself).

class QCoreApplication;
class QString;

namespace qav {

// The folder where the system's Qt translations are looked for.
QString qtTranslationsFolder();

// Loads qtbase_es.qm and installs it in the application (at most once per process).
bool installSpanishTranslation(QCoreApplication *app);

} // namespace qav
