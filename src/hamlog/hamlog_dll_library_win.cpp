#include "platform/code_page.h"
#include "hamlog/hamlog_dll_library.h"
#include "platform/hamlog_dll_win.h"

namespace {

// Qt side of the DLL calls: texts into the ANSI code page, failures into words for the user.
class HamlogDllLibrary : public HamlogLibrary
{
public:
    bool GetThdllVersion(qint32& version) override
    {
        int32_t v = 0;
        if (!m_dll.getThdllVersion(v))
            return false;
        version = v;
        return true;
    }

    bool HamlogOpen(qint32 mode, unsigned char* buffer, const QString& path, qint32 option,
                    qint32& result) override
    {
        const QByteArray bytes = CodePage::fromUnicode(path);
        int32_t r = -1;
        if (!m_dll.hamlogOpen(mode, buffer, bytes.constData(), option, r))
            return false;
        result = r;
        return true;
    }

    bool SetThBuffer(unsigned char* buffer, const QString& text, qint32 index) override
    {
        const QByteArray bytes = CodePage::fromUnicode(text);
        return m_dll.setThBuffer(buffer, bytes.constData(), index);
    }

    bool THW_append(unsigned char* buffer, qint32 fieldCount, qint32& variable) override
    {
        int32_t v = variable;
        const bool ok = m_dll.thwAppend(buffer, fieldCount, &v);
        variable = v;
        return ok;
    }

    bool HamlogClose(unsigned char* buffer, qint32 option) override
    {
        return m_dll.hamlogClose(buffer, option);
    }

    bool isLoaded() const override { return m_dll.isMainLoaded(); }

    QString lastError() const override
    {
        const QString library = QString::fromLatin1(m_dll.failedLibrary());
        switch (m_dll.failure()) {
        case hamlogdll::Failure::LibraryMissing:
            // HAMLOG's libraries are 32-bit; a 64-bit program can never load them.
            if (sizeof(void*) > 4)
                return QStringLiteral(
                           "%1 を読み込めません（この VELKOR は 64 ビット版のため、32 ビットの %1 を"
                           "使えません。32 ビット版の VELKOR を使ってください）")
                    .arg(library);
            return QStringLiteral("%1 を読み込めません。TURBO HAMLOG のフォルダーにあるか、"
                                  "パスが通っているか確かめてください")
                .arg(library);
        case hamlogdll::Failure::FunctionMissing:
            return QStringLiteral("%1 に関数 %2 が見つかりません")
                .arg(library, QString::fromLatin1(m_dll.failedFunction()));
        case hamlogdll::Failure::None:
            break;
        }
        return QString();
    }

    QString backendName() const override { return QStringLiteral("Hamlog50.dll"); }

private:
    hamlogdll::HamlogDll m_dll;
};

} // namespace

std::unique_ptr<HamlogLibrary> CreateHamlogDllLibrary()
{
    // Always the DLLs here, loaded on first use: a missing library fails the append with its name
    // rather than sending the contacts of a HAMLOG user anywhere else.
    return std::make_unique<HamlogDllLibrary>();
}
