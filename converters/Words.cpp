// Classification and conversion of the number words of the ASE and PLY rows.
#include "converters/Words.h"

#include <climits>
#include <cstdlib>

#include "common/util/Tokenizer.h"

// Only the beginning of the word is classified: 12abc passes as an integer.
static TokenType ClassifyWord(const std::string& sWord)
{
    int iPos = 0;
    return ScanNumber(sWord.c_str(), &iPos);
}

bool IsIntegerWord(const std::string& sWord)
{
    return ClassifyWord(sWord) == TOKEN_INTEGER;
}

bool IsNumberWord(const std::string& sWord)
{
    const TokenType eType = ClassifyWord(sWord);
    return eType == TOKEN_INTEGER || eType == TOKEN_REAL || eType == TOKEN_EXPREAL;
}

int WordToInt(const std::string& sWord)
{
    const long long iValue = strtoll(sWord.c_str(), nullptr, 10);
    if (iValue > INT_MAX)
        return INT_MAX;
    if (iValue < INT_MIN)
        return INT_MIN;
    return int(iValue);
}

float WordToFloat(const std::string& sWord)
{
    return float(strtod(sWord.c_str(), nullptr));
}
