#include "store/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace NumberText {
namespace {

constexpr int kSignificantDigits = 15;

// A finite, non-zero |value| as its 15 significant digits d1 d2 … d15 and the decimal exponent of d1.
struct Decimal {
    std::string digits;
    int exponent = 0;
};

Decimal ToDecimal(double magnitude) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific, kSignificantDigits - 1);
    const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    Decimal decimal;
    const std::size_t e = text.find('e');
    for (char c : text.substr(0, e)) {
        if (c != '.') {
            decimal.digits.push_back(c);
        }
    }
    decimal.exponent = std::atoi(std::string(text.substr(e + 1)).c_str());
    return decimal;
}

QString NotFinite(double value) {
    if (std::isnan(value)) {
        return QStringLiteral("NAN");
    }
    return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
}

// Adds one to a string of decimal digits.
void Increment(std::string& digits) {
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

}  // namespace

QString Fixed(double value, int decimals, QStringView decimalPoint) {
    if (!std::isfinite(value)) {
        return NotFinite(value);
    }
    // scaled: the digits of |value| × 10^decimals, rounded to a whole number.
    std::string scaled;
    if (value != 0) {
        const Decimal decimal = ToDecimal(std::fabs(value));
        const int kept = decimal.exponent + 1 + decimals;
        if (kept >= kSignificantDigits) {
            scaled = decimal.digits + std::string(static_cast<std::size_t>(kept - kSignificantDigits), '0');
        } else if (kept >= 0) {
            scaled = decimal.digits.substr(0, static_cast<std::size_t>(kept));
            if (decimal.digits[static_cast<std::size_t>(kept)] >= '5') {
                Increment(scaled);
            }
        }
    }
    const bool zero = scaled.find_first_not_of('0') == std::string::npos;
    if (scaled.size() < static_cast<std::size_t>(decimals) + 1) {
        scaled.insert(0, static_cast<std::size_t>(decimals) + 1 - scaled.size(), '0');
    }
    QString text;
    if (value < 0 && !zero) {
        text += QLatin1Char('-');
    }
    const std::size_t whole = scaled.size() - static_cast<std::size_t>(decimals);
    text += QLatin1String(scaled.data(), static_cast<qsizetype>(whole));
    if (decimals > 0) {
        text += decimalPoint;
        text += QLatin1String(scaled.data() + whole, decimals);
    }
    return text;
}

QString General(double value, QStringView decimalPoint) {
    if (!std::isfinite(value)) {
        return NotFinite(value);
    }
    if (value == 0) {
        return QStringLiteral("0");
    }
    Decimal decimal = ToDecimal(std::fabs(value));
    decimal.digits.erase(decimal.digits.find_last_not_of('0') + 1);
    const std::string& digits = decimal.digits;
    const int exponent = decimal.exponent;

    QString text;
    // Sign, digits, point, zeros and exponent: reserved at once, the texts are made a cell at a time.
    text.reserve(qsizetype(digits.size()) + decimalPoint.size() + 8);
    if (value < 0) {
        text += QLatin1Char('-');
    }
    if (exponent < -5 || exponent >= kSignificantDigits) {
        text += QLatin1Char(digits[0]);
        if (digits.size() > 1) {
            text += decimalPoint;
            text += QLatin1String(digits.data() + 1, static_cast<qsizetype>(digits.size() - 1));
        }
        text += QLatin1Char('E');
        text += QString::number(exponent);
    } else if (exponent < 0) {
        text += QLatin1Char('0');
        text += decimalPoint;
        text += QString(-exponent - 1, QLatin1Char('0'));
        text += QLatin1String(digits.data(), static_cast<qsizetype>(digits.size()));
    } else {
        const std::size_t whole = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= whole) {
            text += QLatin1String(digits.data(), static_cast<qsizetype>(digits.size()));
            text += QString(static_cast<qsizetype>(whole - digits.size()), QLatin1Char('0'));
        } else {
            text += QLatin1String(digits.data(), static_cast<qsizetype>(whole));
            text += decimalPoint;
            text += QLatin1String(digits.data() + whole, static_cast<qsizetype>(digits.size() - whole));
        }
    }
    return text;
}

}  // namespace NumberText
