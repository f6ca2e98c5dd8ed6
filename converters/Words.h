// Number words of the converters' readers: which words count as numbers, and
// their values, read the way the C library's atoi and atof read them.
#pragma once

#include <string>

// The word begins with a decimal integer (token class "integer").
bool IsIntegerWord(const std::string& sWord);

// The word begins with an integer, a real or an exponent real.
bool IsNumberWord(const std::string& sWord);

// atoi of the word, except that a value beyond the 32-bit range is clamped to
// it instead of wrapping, so a huge count or index never turns small.
int WordToInt(const std::string& sWord);

// atof of the word, rounded to float; may give an infinity.
float WordToFloat(const std::string& sWord);
