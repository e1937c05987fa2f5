#pragma once

#include <QString>

#include "velkor_version.h"

namespace AppInfo {

// The application title: caption of every message box and start of the idle caption.
inline QString title()
{
    return QStringLiteral("VELKOR");
}

// "VELKOR   Ver 1.2.23": title, three spaces, "Ver", then major.minor.revision.
inline QString idleCaption()
{
    return title() + QStringLiteral("   Ver %1.%2.%3")
                         .arg(VELKOR_VERSION_MAJOR)
                         .arg(VELKOR_VERSION_MINOR)
                         .arg(VELKOR_VERSION_REVISION);
}

} // namespace AppInfo
