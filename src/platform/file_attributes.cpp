#include "platform/file_attributes.h"

#include <QFileInfo>

namespace FileAttributes {

// The system's answer, in file_attributes_posix.cpp or file_attributes_win.cpp.
bool systemIsHiddenOrSystem(const QString& path);

namespace {
std::function<bool(const QString&)>& testMarked()
{
    static std::function<bool(const QString&)> marked;
    return marked;
}
} // namespace

bool isHiddenOrSystem(const QString& path)
{
    if (testMarked())
        return testMarked()(path);
    return systemIsHiddenOrSystem(path);
}

bool isVisibleFile(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isFile() && !isHiddenOrSystem(path);
}

void setMarkedForTesting(std::function<bool(const QString&)> marked)
{
    testMarked() = std::move(marked);
}

} // namespace FileAttributes
