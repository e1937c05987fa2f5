#pragma once

#include <QLatin1String>
#include <QList>
#include <QPair>
#include <QString>

// Reading the fields of one ADIF contact text. Two ways of finding a field live here, each where
// it is needed, and nowhere else:
//
// - ReadAdifField, the HAMLOG conversion's reader: the first "<NAME:" anywhere in the text. A
//   record converted into HAMLOG has always been read so, and what goes into the database must
//   not change with the reader; the transfer journal and the call-sign check read the same way,
//   so that they judge the contact the database gets.
// - FindAdifField, the record walker: tag after tag, each value skipped by its length, so a tag
//   written inside a comment is no tag. Reception uses it where it compares and repairs contacts.

// Result of reading one field from a contact text.
struct AdifField
{
    enum Status { Found, Absent, Failed };
    Status status = Absent;
    QString value; // Found: the value, case kept
    QString error; // Failed: why, in words for the user
};

// Finds the field of the given upper-case name ("CALL") in the text: the tag matched whole and
// in any case, the length read up to ">" or a data-type indicator, then that many characters
// after the ">" (fewer when the text ends). A length of 0 or less counts as absent. A tag without
// ">" after it, or a position or length beyond 32,767, fails the conversion.
AdifField ReadAdifField(const QString& text, QLatin1String name);
AdifField ReadAdifField(const QString& text, const QString& name);

// Reads a frequency the forgiving way the program always has: blanks, tabs and line feeds are
// skipped, an optional sign, digits with one decimal point; reading stops at the first other
// character (an "e" included); no number gives 0, a number too large gives infinity.
double ReadDecimalNumber(const QString& text);

// Where the value of the field (any case) lies, found by walking the record tag after tag.
// Lengths are taken as characters and cut at the end of the text. False when the field is absent.
bool FindAdifField(const QString& contact, const char* name, qsizetype* start, qsizetype* length);

// Every field of the record as FindAdifField walks it, in order: name in lower case, value with
// blanks trimmed.
QList<QPair<QString, QString>> AdifFieldsOf(const QString& contact);

// The value FindAdifField finds, blanks trimmed; empty when absent.
QString AdifFieldValue(const QString& contact, const char* name);

// What makes a contact the same as another: call (upper case), date, time on (hours and minutes),
// band (lower case; the frequency cut after three decimals where there is no band) and mode (the
// submode where there is one, upper case), as "QQ1AA 20240315 1234 20m FT4". Reception takes two
// contacts with one identity for one; the transfer journal knows what went into a database by it.
struct ContactIdentity
{
    QString call;
    QString date;
    QString time;
    QString band;
    QString mode;

    // Call, date and time are there: only such a contact can be the same as another one received.
    bool isComplete() const { return !call.isEmpty() && !date.isEmpty() && !time.isEmpty(); }
    // The five parts joined by blanks; empty when there is no call sign.
    QString key() const;
};
ContactIdentity IdentityOf(const QString& contact);

// The frequency text cut after at most three decimals, never rounded ("14.074150" -> "14.074",
// "7" -> "7"), blanks trimmed; a comma counts as the point when there is none.
QString CutFrequencyText(const QString& freq);

// Why the contact's CALL cannot be a call sign, in words for the user; empty when it can be one.
// A contact refused here is not a contact: it never goes into a log or a database.
namespace CallSign {

// No call sign is longer (the longest in use, with prefix and suffix, have about 13).
constexpr int kMaxLength = 20;

enum class Problem {
    None,
    Unreadable, // the CALL tag itself cannot be read
    Missing,    // no CALL, or an empty one
    Unusable,   // characters, or a length, no call sign has
};

struct Check
{
    Problem problem = Problem::None;
    QString reason; // in words for the user; empty for None
};

Check CheckContact(const QString& contactText);

} // namespace CallSign
