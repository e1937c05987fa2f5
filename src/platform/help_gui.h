#pragma once

#include <QString>

class QWidget;

// Opens the program's help for the window. On Windows the compiled help file at chmPath is shown
// through HTML Help; elsewhere the HTML help beside it ("VELKOR.html" in the same folder) goes to
// the desktop's browser, or, where none opens it, to ShowHelpWindow.
void OpenHelpFile(QWidget* window, const QString& chmPath);

// Shows the HTML help at htmlPath in a window of the program's own (one, brought forward when it
// is open already), for systems without a browser. A missing help file is named there, so that
// the user learns where it belongs.
void ShowHelpWindow(QWidget* parent, const QString& htmlPath);

// The HTML help that stands in for the compiled file off Windows: same folder, same base name.
QString HtmlHelpPath(const QString& chmPath);
