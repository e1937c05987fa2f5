#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

// Finding the contact records of an ADIF file, for the import window and velkor-cli import, and
// the one test of UTF-8 every reader of ADIF bytes uses.
//
// A record is recognised by the text "CALL:" (any letter case); its fields are not parsed here.
// Files written one record per line (what the partners and this program write) give one record
// per line holding "CALL:". Several other loggers spread a record over lines (two lines a record,
// or one field per line): there a record is everything from the end of the header, or of the
// previous record, up to its end-of-record tag, kept with its line breaks.
namespace AdifRecords {

// Files beyond this size are refused: the whole file is held in memory, and a year of FT8 is a
// few tens of megabytes at most.
constexpr qint64 kMaxFileBytes = 512LL * 1024 * 1024;

// Called now and then while records are found: how far the text has been read, its size, and the
// records found so far.
using Progress = std::function<void(qint64 done, qint64 total, int records)>;

// The text of the file's bytes: valid UTF-8 (with or without a byte-order mark) as UTF-8, UTF-16
// with its byte-order mark as UTF-16, anything else in the 8-bit code page of the program's text
// files.
QString decode(const QByteArray& bytes);

// The text of a file chosen for import, as decode() reads it, and UTF-16 without a byte-order
// mark recognised too. False, with reason in words for the user, for a file that is no ADIF text:
// binary (zero bytes among control codes) or without a single ADIF tag.
bool readText(const QByteArray& bytes, QString& text, QString& reason);

// True when bytes is well-formed UTF-8 (ASCII included).
bool isValidUtf8(const QByteArray& bytes);

// The records of an ADIF text, in file order.
QStringList findRecords(const QString& text, const Progress& progress = Progress());

// Reads the file at path and finds its records. False when the file cannot be opened or read,
// with error saying why (in words for the user); records is then empty.
bool LoadAdifFile(const QString& path, QStringList& records, QString& error,
                  const Progress& progress = Progress());

// The message shown when LoadAdifFile fails.
QString cannotReadText(const QString& path, const QString& reason);

// A record as one line of a table: tabs and line breaks become spaces.
QString displayText(const QString& record);

} // namespace AdifRecords
