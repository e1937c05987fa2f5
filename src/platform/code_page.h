#pragma once

#include <QByteArray>
#include <QString>

// The 8-bit code page of the program's text files and of every text handed to HAMLOG's libraries:
// the system's ANSI code page on Windows, Shift-JIS (code page 932) elsewhere, because those files
// are shared with HAMLOG users on Japanese Windows systems.
namespace CodePage {

// Name of the code page in use, for messages ("CP932", "CP1252", ...).
QString name();

// Unicode to the code page. A character the code page cannot hold becomes a single "?", as the
// Windows conversion does, so the rest of the text keeps its place.
QByteArray fromUnicode(const QString& text);

// The code page to Unicode. A byte sequence that is not valid in the code page becomes U+FFFD.
QString toUnicode(const QByteArray& bytes);

// True when every character of the text survives a round trip through the code page.
bool canEncode(const QString& text);

} // namespace CodePage
