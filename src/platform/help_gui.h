#pragma once

#include <QString>

class QWidget;

// Opens the program's help for the window. On Windows the compiled help file at chmPath is shown
// through HTML Help; elsewhere the HTML help beside it ("VELKOR.html" in the same folder) goes to
// the desktop's browser. When the help cannot be shown nothing happens and nothing is reported.
void OpenHelpFile(QWidget* window, const QString& chmPath);

// The HTML help that stands in for the compiled file off Windows: same folder, same base name.
QString HtmlHelpPath(const QString& chmPath);
