#include "platform/code_page.h"

#include <cerrno>
#include <iconv.h>

// glibc's iconv knows Microsoft's variant of Shift-JIS as "CP932" (with the NEC and IBM
// extensions and the Windows mappings of the wave dash and friends), which is what HAMLOG users'
// files hold.
namespace {

const char* const kCodePage = "CP932";

class Iconv
{
public:
    Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Iconv()
    {
        if (valid())
            iconv_close(m_cd);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as it can; on a sequence it cannot take or give, calls onBad(input) which
    // returns how many input bytes to skip and appends its own replacement to out.
    template <typename OnBad>
    QByteArray convert(const QByteArray& in, OnBad onBad)
    {
        QByteArray out;
        if (!valid())
            return out;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        out.reserve(in.size() * 2 + 16);
        char* src = const_cast<char*>(in.constData());
        size_t srcLeft = static_cast<size_t>(in.size());
        char buffer[1024];
        while (srcLeft > 0) {
            char* dst = buffer;
            size_t dstLeft = sizeof buffer;
            const size_t r = iconv(m_cd, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, static_cast<int>(dst - buffer));
            if (r != static_cast<size_t>(-1))
                continue;
            if (errno == E2BIG)
                continue;
            // EILSEQ or EINVAL (cut short at the end): replace and step over it.
            size_t skip = onBad(reinterpret_cast<const unsigned char*>(src), srcLeft, out);
            if (skip == 0 || skip > srcLeft)
                skip = srcLeft;
            src += skip;
            srcLeft -= skip;
        }
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        iconv(m_cd, nullptr, nullptr, &dst, &dstLeft);
        out.append(buffer, static_cast<int>(dst - buffer));
        return out;
    }

private:
    iconv_t m_cd;
};

// Length of the UTF-8 sequence that starts with this byte (1 for a stray byte).
size_t utf8SequenceLength(unsigned char lead)
{
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

} // namespace

namespace CodePage {

QString name()
{
    return QString::fromLatin1(kCodePage);
}

QByteArray fromUnicode(const QString& text)
{
    if (text.isEmpty())
        return QByteArray();
    thread_local Iconv encoder(kCodePage, "UTF-8");
    return encoder.convert(text.toUtf8(), [](const unsigned char* p, size_t left, QByteArray& out) {
        out.append('?');
        return std::min(utf8SequenceLength(*p), left);
    });
}

QString toUnicode(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return QString();
    thread_local Iconv decoder("UTF-8", kCodePage);
    const QByteArray utf8 = decoder.convert(bytes, [](const unsigned char*, size_t, QByteArray& out) {
        out.append("\xEF\xBF\xBD");
        return size_t(1);
    });
    return QString::fromUtf8(utf8);
}

bool canEncode(const QString& text)
{
    return toUnicode(fromUnicode(text)) == text;
}

} // namespace CodePage
