#include "common/text_lines.h"

#include "platform/code_page.h"

#include <QFile>

namespace TextLines {

QStringList split(const QString& text)
{
    QStringList lines;
    const QChar* data = text.constData();
    const int size = text.size();
    int start = 0;
    for (int i = 0; i < size; ++i) {
        const ushort c = data[i].unicode();
        if (c != '\r' && c != '\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == '\r' && i + 1 < size && data[i + 1].unicode() == '\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.append(text.mid(start));
    return lines;
}

bool readFile(const QString& path, QByteArray& bytes, QString* error)
{
    bytes.clear();
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        bytes = file.readAll();
        if (file.error() == QFileDevice::NoError)
            return true;
    }
    bytes.clear();
    if (error)
        *error = file.errorString();
    return false;
}

QString decode(const QByteArray& bytes)
{
    bool ascii = true;
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return QString::fromLatin1(bytes);

    // Line by line, with the line ends copied as they are: a line cut inside a double-byte
    // character must not take the line end along with its stray lead byte (converters differ in
    // how many bytes they swallow), or the next line would be joined to it.
    QString text;
    text.reserve(bytes.size());
    const char* data = bytes.constData();
    const int size = bytes.size();
    int start = 0;
    for (int i = 0; i <= size; ++i) {
        if (i < size && data[i] != '\r' && data[i] != '\n')
            continue;
        if (i > start)
            text += CodePage::toUnicode(QByteArray::fromRawData(data + start, i - start));
        if (i < size)
            text += QLatin1Char(data[i]);
        start = i + 1;
    }
    return text;
}

QString trimSpaces(const QString& text)
{
    int begin = 0;
    int end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    if (begin == 0 && end == text.size())
        return text;
    return text.mid(begin, end - begin);
}

} // namespace TextLines
