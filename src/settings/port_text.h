#pragma once

#include <QString>
#include <QtGlobal>

// Reads a port typed in the settings dialog: the whole number the text spells, a fraction rounded
// to the nearest whole number with a half going to the even neighbour ("2500.5" -> 2500,
// "2501.5" -> 2502). Spaces around the number and an exponent ("2.5e3") are accepted, and so are
// the full-width forms a Japanese input method types ("２６００", "－１").
// Returns false, leaving value untouched, for an empty text, anything that is not a number, and a
// number outside the 32-bit signed range.
bool ParsePortText(const QString& text, qint32& value);
