#include "platform/ansi_code_page_win.h"
#include "platform/code_page.h"

namespace CodePage {

QString name()
{
    return QStringLiteral("CP%1").arg(AnsiCodePage::current());
}

QByteArray fromUnicode(const QString& text)
{
    const std::string bytes = AnsiCodePage::fromWide(reinterpret_cast<const wchar_t*>(text.utf16()),
                                                     static_cast<size_t>(text.size()));
    if (bytes.empty())
        return QByteArray();
    return QByteArray(bytes.data(), static_cast<int>(bytes.size()));
}

QString toUnicode(const QByteArray& bytes)
{
    const std::wstring wide = AnsiCodePage::toWide(bytes.constData(), static_cast<size_t>(bytes.size()));
    if (wide.empty())
        return QString();
    return QString::fromWCharArray(wide.data(), static_cast<int>(wide.size()));
}

bool canEncode(const QString& text)
{
    return toUnicode(fromUnicode(text)) == text;
}

} // namespace CodePage
