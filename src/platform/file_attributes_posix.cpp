#include "platform/file_attributes.h"

#include <QFileInfo>

namespace FileAttributes {

bool systemIsHiddenOrSystem(const QString& path)
{
    // No system attribute here; hidden is the leading-dot convention.
    return QFileInfo(path).isHidden();
}

} // namespace FileAttributes
