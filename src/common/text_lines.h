#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Line-oriented reading of the program's small text files (settings, country tables).
namespace TextLines {

// Splits a text into lines. CR LF, a lone CR and a lone LF each end a line (files edited on other
// systems carry bare LFs); the line ends are not part of the lines. A last line without a line end
// still counts; nothing after the final line end makes a line, so "a\r\n" is one line and
// "a\r\n\r\n" two, the second empty.
QStringList split(const QString& text);

// Reads a whole regular file. False when it cannot be opened or read to its end; bytes then holds
// nothing, and error (when given) the system's reason.
bool readFile(const QString& path, QByteArray& bytes, QString* error = nullptr);

// The text of a file in the 8-bit code page, line ends kept where the bytes have them, even after
// a broken double-byte character. Plain ASCII, which every code page shares, skips the converter;
// large country files are nothing else.
QString decode(const QByteArray& bytes);

// The text without leading and trailing spaces (U+0020 only: tabs and full-width spaces stay).
QString trimSpaces(const QString& text);

} // namespace TextLines
