#include "reference/dxcc_table.h"

#include "common/program_folder.h"
#include "common/text_lines.h"
#include "platform/code_page.h"

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
        prompts.showMessage(QStringLiteral("TH_DX.dat が見つかりません！"));
        return;
    }
    QByteArray bytes;
    if (!TextLines::readFile(path, bytes))
        return;

    // Shift-JIS never uses CR or LF inside a character, so decoding first and splitting after
    // cuts the lines where the bytes do.
    m_lines = TextLines::split(CodePage::toUnicode(bytes));
    m_index.reserve(m_lines.size());
    for (int i = 0; i < m_lines.size(); ++i) {
        const QString key = prefixOf(m_lines.at(i));
        if (!m_index.contains(key))
            m_index.insert(key, i);
    }
}

DxccColumns DxccTable::FindDxccLine(const QString& prefix) const
{
    const auto hit = m_index.constFind(TextLines::trimSpaces(prefix));
    if (hit == m_index.constEnd())
        return DxccColumns{};
    return columnsOf(m_lines.at(hit.value()));
}
