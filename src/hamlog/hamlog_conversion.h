#pragma once

#include "adif/adif_fields.h"
#include "settings/settings.h"

#include <QString>

#include <array>
#include <functional>

class CountryTable;
class DxccTable;

// The texts of one HAMLOG record, indexed 1 to 16 as the library numbers them. Index 15 is
// never filled, index 0 is unused.
struct HamlogRecord
{
    std::array<QString, 17> fields;

    QString& operator[](int index) { return fields[size_t(index)]; }
    const QString& operator[](int index) const { return fields[size_t(index)]; }
    const QString& callSign() const { return fields[1]; }
};

// Where the contact comes from: one logged over UDP, or one record line of an imported file.
// They differ in the frequency rule only.
enum class ContactSource { Udp, Import };

// UDP frequency: the number rounded to three decimals, half away from zero, no leading zero
// ("0.475" -> ".475", "14.0745" -> "14.075"). Empty for a number too large for a double.
QString FormatUdpFrequency(const QString& freq);

// Import frequency: the text, blanks trimmed, cut after at most three decimals, never rounded
// ("14.074150" -> "14.074", "7" -> "7"); a comma counts as the point when there is none.
QString CutImportFrequency(const QString& freq);

// Field 10: route letter, sent mark, received mark; empty for an unknown route.
QString BuildQslText(const Settings& settings);

// Converts one contact text into the record fields 1 to 14 and 16. qslText is field 10, built
// once per append call. yield, when given, runs once while the country is looked up, so that the
// event loop keeps turning. The mode column takes SUBMODE where the text has one (FT4 logged as
// MFSK). Returns false with error set when the text cannot be converted.
bool ConvertContact(const QString& contactText, ContactSource source, const QString& qslText,
                    const Settings& settings, const CountryTable& countries, const DxccTable& dxcc,
                    HamlogRecord& record, QString& error, const std::function<void()>& yield = {});
