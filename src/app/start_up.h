#pragma once

#include <QString>
#include <memory>

class QCoreApplication;
class QTranslator;
class frmMain;
class Prompts;
class SingleInstanceLock;
struct ProgramData;

// Starts the program in this process: when another copy already holds the lock, returns nullptr
// at once without a window or a message. Otherwise creates the main window, loads it (message
// boxes and the settings dialog may appear) and shows it without waiting; the caller then runs
// the event loop until the last window closes.
std::unique_ptr<frmMain> StartUp(SingleInstanceLock& lock, ProgramData& data, Prompts& prompts);

// Said at start-up when the program's folder cannot be written.
QString ProgramFolderNotWritableMessage(const QString& folder);

// Japanese for Qt's own texts (the file-open dialog where the system has no native one, the
// buttons of message boxes), whatever the system's language. Returns the installed translator,
// owned by app, or nullptr where Qt's translations are not at hand.
QTranslator* InstallQtTranslations(QCoreApplication& app);
