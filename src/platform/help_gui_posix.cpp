#include "platform/help_gui.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

void OpenHelpFile(QWidget* window, const QString& chmPath)
{
    const QString html = HtmlHelpPath(chmPath);
    // Without a browser (no xdg-open, a bare window manager) the desktop opens nothing.
    if (QFileInfo(html).isFile() && QDesktopServices::openUrl(QUrl::fromLocalFile(html)))
        return;
    ShowHelpWindow(window, html);
}
