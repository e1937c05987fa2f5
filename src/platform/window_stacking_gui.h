#pragma once

class QApplication;
class QWidget;

// Keeps a top-level window above all others (true) or returns it to normal stacking (false).
// Failures are not reported.
void SetWindowTopmost(QWidget* window, bool topmost);

// From now on, every dialog and message box the application shows comes above its owner when the
// owner is kept above all others: a dialog left below it would be hidden behind it, and a modal
// one would leave the program unusable.
void KeepDialogsAboveTopmostOwners(QApplication& app);
