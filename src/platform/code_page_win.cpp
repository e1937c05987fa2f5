#include "platform/code_page.h"

#include <windows.h>

namespace CodePage {

QString name()
{
    return QStringLiteral("CP%1").arg(GetACP());
}

QByteArray fromUnicode(const QString& text)
{
    if (text.isEmpty())
        return QByteArray();
    const auto* wide = reinterpret_cast<const wchar_t*>(text.utf16());
    const int size = WideCharToMultiByte(CP_ACP, 0, wide, int(text.size()), nullptr, 0, nullptr, nullptr);
    QByteArray out(size, '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, int(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

QString toUnicode(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return QString();
    const int size = MultiByteToWideChar(CP_ACP, 0, bytes.constData(), int(bytes.size()), nullptr, 0);
    QString out(size, QChar());
    MultiByteToWideChar(CP_ACP, 0, bytes.constData(), int(bytes.size()),
                        reinterpret_cast<wchar_t*>(out.data()), size);
    return out;
}

bool canEncode(const QString& text)
{
    return toUnicode(fromUnicode(text)) == text;
}

} // namespace CodePage
