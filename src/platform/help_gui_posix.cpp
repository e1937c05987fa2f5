#include "platform/help_gui.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

void OpenHelpFile(QWidget* window, const QString& chmPath)
{
    Q_UNUSED(window)
    const QString html = HtmlHelpPath(chmPath);
    if (!QFileInfo(html).isFile())
        return;
    QDesktopServices::openUrl(QUrl::fromLocalFile(html));
}
