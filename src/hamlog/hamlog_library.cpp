#include "hamlog/hamlog_library.h"

#include <QDir>

#include "hamlog/builtin_store.h"
#include "hamlog/hamlog_dll_library.h"

std::unique_ptr<HamlogLibrary> CreateHamlogLibrary()
{
    if (std::unique_ptr<HamlogLibrary> dll = CreateHamlogDllLibrary())
        return dll;
    return std::make_unique<BuiltinStore>();
}

QString DatabaseIsFolderText(const QString& path)
{
    return QStringLiteral("%1 はフォルダーです。データベースのファイルを指定してください")
        .arg(QDir::toNativeSeparators(path));
}
