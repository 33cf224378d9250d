#pragma once

#include <QString>
#include <QStringView>

// Decimal texts of doubles as the table shows them. Both work from the value's 15 significant decimal digits, so
// what a user reads as 12.35 rounds like 12.35 and not like the binary 12.34999…; halves round away from zero.
// Independent of the process's C locale; the decimal separator is given.
namespace NumberText {

// A fixed number of decimals: the display formats "0" (decimals 0) and "0.0" (decimals 1). No exponent, no
// group separators; a value that rounds to zero has no minus sign.
QString Fixed(double value, int decimals, QStringView decimalPoint);

// General format with up to 15 significant digits and no trailing zeros: fixed notation, or scientific ("1.5E-6",
// "1E20") for values below 0.00001 or with more than 15 digits before the point.
QString General(double value, QStringView decimalPoint);

}  // namespace NumberText
