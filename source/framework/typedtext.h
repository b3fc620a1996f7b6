#pragma once

#include "pluginterfaces/vst/vsttypes.h"

#include <string>

namespace kelvane::vst {

// A value typed by the user, taken apart for the parameters' reading rules: an optional word,
// an optional decimal number, and an optional word right after the number. Words are runs of
// ASCII letters; blanks may stand between the parts.
struct TypedText {
    std::string before; // the word in front of the number, or the text's one word without one
    bool hasNumber = false;
    bool signWritten = false; // the number carries a leading + or -
    double number = 0.0;      // always finite
    std::string after;        // the word following the number
    bool rest = false;        // more text follows that word (or the number, if no word does)
};

// Splits a host's UTF-16 text of at most 128 units (a String128; an unterminated text is cut
// there). A comma or a point is the decimal mark, an exponent may follow, and the number reads
// the same in every process locale. False for a null or blank text, a character outside ASCII
// before the number, text other than one word when there is no number, and a number too large
// for a double; a number too small for one reads as zero.
bool splitTypedText(const Steinberg::Vst::TChar* text, TypedText& typed);

// Whole-word comparison ignoring the case of ASCII letters.
bool sameWord(const std::string& word, const char* expected);

} // namespace kelvane::vst
