#include "framework/typedtext.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <system_error>
#include <utility>

namespace kelvane::vst {

namespace {

// A String128 holds 128 units; a host text that is longer or unterminated is not read past it.
constexpr std::size_t maxTypedUnits = 128;

// Stands for any character outside ASCII: neither blank, letter, digit nor sign.
constexpr char foreign = '\x7F';

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
char folded(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Reads the text from position i on.
class Scanner {
public:
    explicit Scanner(std::string narrow) : text(std::move(narrow)) {}

    bool atEnd() const { return i >= text.size(); }
    void skipBlanks() {
        while (!atEnd() && isBlank(text[i])) {
            ++i;
        }
    }
    std::string word() {
        const std::size_t start = i;
        while (!atEnd() && isLetter(text[i])) {
            ++i;
        }
        return text.substr(start, i - start);
    }
    std::string digits() {
        const std::size_t start = i;
        while (!atEnd() && isDigit(text[i])) {
            ++i;
        }
        return text.substr(start, i - start);
    }
    // Steps over the next character if it is a or b.
    bool take(char a, char b) {
        if (!atEnd() && (text[i] == a || text[i] == b)) {
            ++i;
            return true;
        }
        return false;
    }
    bool digitAt(std::size_t at) const { return at < text.size() && isDigit(text[at]); }

    std::string text;
    std::size_t i = 0;
};

enum class NumberRead { none, read, tooLarge };

// A decimal number at the scanner's position; the position stays put if there is none.
NumberRead readNumber(Scanner& scan, TypedText& typed) {
    const std::size_t start = scan.i;
    bool negative = false;
    bool signWritten = false;
    if (!scan.atEnd() && (scan.text[scan.i] == '+' || scan.text[scan.i] == '-')) {
        negative = scan.text[scan.i] == '-';
        signWritten = true;
        ++scan.i;
    }
    const std::string whole = scan.digits();
    std::string fraction;
    if (scan.take('.', ',')) {
        fraction = scan.digits();
    }
    if (whole.empty() && fraction.empty()) {
        scan.i = start;
        return NumberRead::none;
    }
    std::string exponent;
    // Only a mark followed by digits is an exponent: "5e" is the number 5 and the word "e".
    const std::size_t mark = scan.i;
    if (scan.take('e', 'E')) {
        const bool negativeExponent = scan.take('-', '-');
        if (!negativeExponent) {
            scan.take('+', '+');
        }
        if (scan.digitAt(scan.i)) {
            exponent = (negativeExponent ? "e-" : "e") + scan.digits();
        } else {
            scan.i = mark;
        }
    }
    // from_chars takes no leading plus and always the point, whatever the locale.
    const std::string canonical = (negative ? "-" : "") + (whole.empty() ? "0" : whole) +
                                  (fraction.empty() ? "" : "." + fraction) + exponent;
    double value = 0.0;
    const char* first = canonical.data();
    const char* last = first + canonical.size();
    const std::from_chars_result result = std::from_chars(first, last, value);
    if (result.ec == std::errc::result_out_of_range) {
        // Out of range with a negative exponent is too small for a double, else too large.
        if (exponent.compare(0, 2, "e-") != 0) {
            return NumberRead::tooLarge;
        }
        value = negative ? -0.0 : 0.0;
    } else if (result.ec != std::errc() || result.ptr != last || !std::isfinite(value)) {
        return NumberRead::tooLarge;
    }
    typed.hasNumber = true;
    typed.signWritten = signWritten;
    typed.number = value;
    return NumberRead::read;
}

} // namespace

bool splitTypedText(const Steinberg::Vst::TChar* text, TypedText& typed) {
    if (text == nullptr) {
        return false;
    }
    std::string narrow;
    for (std::size_t k = 0; k < maxTypedUnits && text[k] != 0; ++k) {
        const auto unit = static_cast<char16_t>(text[k]);
        // A no-break space, as a host's text field may hold, is a blank like any other.
        narrow.push_back(unit == 0xA0 ? ' ' : (unit < 0x80 ? static_cast<char>(unit) : foreign));
    }
    Scanner scan(std::move(narrow));
    TypedText result;
    scan.skipBlanks();
    result.before = scan.word();
    scan.skipBlanks();
    const NumberRead number = readNumber(scan, result);
    if (number == NumberRead::tooLarge) {
        return false;
    }
    if (number == NumberRead::none) {
        scan.skipBlanks();
        if (result.before.empty() || !scan.atEnd()) {
            return false;
        }
        typed = result;
        return true;
    }
    scan.skipBlanks();
    result.after = scan.word();
    scan.skipBlanks();
    result.rest = !scan.atEnd();
    typed = result;
    return true;
}

bool sameWord(const std::string& word, const char* expected) {
    std::size_t k = 0;
    for (; k < word.size(); ++k) {
        if (expected[k] == 0 || folded(word[k]) != folded(expected[k])) {
            return false;
        }
    }
    return expected[k] == 0;
}

} // namespace kelvane::vst
