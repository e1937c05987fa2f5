#include "platform/help_gui.h"

#include <QDir>
#include <QFileInfo>

QString HtmlHelpPath(const QString& chmPath)
{
    const QFileInfo chm(QDir::fromNativeSeparators(chmPath));
    return QDir::toNativeSeparators(chm.dir().filePath(chm.completeBaseName() + QStringLiteral(".html")));
}
