#pragma once
// The number format of the result pages: grouped thousands and at most a
// fixed number of fraction digits, in the separators of one locale.

#include <string>

namespace tracker {

class NumberFormat {
public:
    NumberFormat(char groupingSeparator, char decimalSeparator, int maxFractionDigits);

    // The format of a locale name ("en_US", "en_GB", "de_DE", ...); an
    // unknown name takes the separators of en_US.
    static NumberFormat forLocale(const std::string& locale, int maxFractionDigits);

    // Rounds half to even on the exact value, drops trailing fraction zeros,
    // groups the whole part by three. A value that rounds to zero has no sign.
    std::string format(double value) const;

    char getGroupingSeparator() const { return m_grouping; }
    char getDecimalSeparator() const { return m_decimal; }
    int getMaxFractionDigits() const { return m_maxFractionDigits; }

private:
    char m_grouping;
    char m_decimal;
    int m_maxFractionDigits;
};

}  // namespace tracker
