#include "common/regular_file.h"

#include <QDir>
#include <QFileInfo>

namespace RegularFile {

QString problem(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isFile())
        return QString();
    const QString name = QDir::toNativeSeparators(path);
    if (info.isDir())
        return QStringLiteral("%1 はファイルではなくフォルダーです").arg(name);
    return QStringLiteral("%1 は通常のファイルではありません（名前付きパイプ (FIFO)、デバイスなど）").arg(name);
}

} // namespace RegularFile
