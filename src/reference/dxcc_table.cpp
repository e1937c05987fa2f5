#include "reference/dxcc_table.h"

#include "common/program_folder.h"
#include "common/text_lines.h"

#include <QFileInfo>

QString DxccFilePath()
{
    return ProgramFolder::filePath(QStringLiteral("TH_DX.dat"));
}

void DxccTable::clear()
{
    m_lines.clear();
    m_index.clear();
}

QString DxccTable::prefixOf(const QString& line)
{
    return TextLines::trimSpaces(line.left(5));
}

DxccColumns DxccTable::columnsOf(const QString& line)
{
    return DxccColumns{TextLines::trimSpaces(line.mid(6, 6)), TextLines::trimSpaces(line.mid(12))};
}

void DxccTable::LoadDxccFile(const QString& path, Prompts& prompts)
{
    clear();
    if (!QFileInfo(path).isFile()) {
        prompts.showSystemModalMessage(QStringLiteral("TH_DX.dat が見つかりません！"));
        return;
    }
    QByteArray bytes;
    if (!TextLines::readFile(path, bytes))
        return;

    // Shift-JIS never uses CR or LF inside a character, so decoding first and splitting after
    // cuts the lines where the bytes do.
    // The columns are cut once here rather than on every lookup.
    m_lines = TextLines::split(TextLines::decode(bytes));
    m_index.reserve(m_lines.size());
    for (const QString& line : m_lines) {
        const QString key = prefixOf(line);
        if (!m_index.find(key))
            m_index.insertFirst(key, columnsOf(line));
    }
}

DxccColumns DxccTable::FindDxccLine(const QString& prefix) const
{
    const QChar* text = prefix.constData();
    int begin = 0;
    int end = prefix.size();
    while (begin < end && text[begin] == QLatin1Char(' '))
        ++begin;
    while (end > begin && text[end - 1] == QLatin1Char(' '))
        --end;
    const DxccColumns* hit = m_index.find(text + begin, end - begin);
    return hit ? *hit : DxccColumns{};
}
