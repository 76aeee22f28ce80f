// Decimal numbers in the phone's text files (/etc/keycheck.txt, /etc/led.conf),
// read the way the C library's atoi reads them, but held to the range of int
// instead of overflowing. Shared by libupgradeui and the LED self-test program.
#pragma once

#include <climits>
#include <string_view>

namespace upgradeui {

// Leading blanks, a sign, then digits up to the first other character; 0
// without digits.
inline int DecimalNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Saturates one past INT_MAX, so that -2147483648 still comes out whole.
  constexpr long long kLimit = static_cast<long long>(INT_MAX) + 1;
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kLimit) value = kLimit;
  }
  if (negative) value = -value;
  return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

}  // namespace upgradeui
