#pragma once
// Small helpers of the control: the postal-code rules of both forms, the
// number rules of the update frequency, and opening a page in the user's
// own browser.

#include <cstdint>
#include <optional>
#include <string>

namespace tk {
class Control;
}  // namespace tk

namespace tiraleaf {

class modMisc {
public:
    // The message for a postal code that is not acceptable; "" when it is.
    static std::string ValidatePostalCode(const std::string& code);
    // "000000" becomes "00000"; every other code is put in upper case.
    static std::string NormalizePostalCode(const std::string& code);

    // The value of a text that reads as a number (blanks around it, a sign,
    // decimals and an exponent allowed); nothing otherwise.
    static std::optional<double> NumericValue(const std::string& text);
    // A number taken to the nearest whole number, halves to the even one.
    static int64_t RoundHalfEven(double value);

    // Opens an http, https or mailto address in the user's browser; another
    // address is logged and not opened. The window is the owner the
    // platform would give the browser; it is not used here.
    static void OpenURL(tk::Control* window, const std::string& url);
    static void OpenURLForObject(tk::Control* object, const std::string& url) { OpenURL(object, url); }
};

}  // namespace tiraleaf
