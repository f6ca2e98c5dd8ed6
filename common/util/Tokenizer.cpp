// The number and identifier scanners: small state machines over bytes.
#include "common/util/Tokenizer.h"

#include <climits>

const std::string TokenTypeNames[7] = {"Not recognized", "integer", "hexinteger", "bininteger",
                                       "real",           "expreal", "identifier"};

std::string GetTokenTypeName(int index)
{
    return (index >= 0 && index < 7) ? TokenTypeNames[index] : TokenTypeNames[0];
}

static bool IsLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

static bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

static bool IsHexDigit(char c)
{
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

TokenType ScanIdentifier(const char* text, int* pos)
{
    if (!(IsLetter(text[*pos]) || text[*pos] == '_'))
        return TOKEN_NOT_RECOGNIZED;
    ++*pos;
    while (IsLetter(text[*pos]) || IsDigit(text[*pos]) || text[*pos] == '_')
        ++*pos;
    return TOKEN_IDENTIFIER;
}

TokenType ScanNumber(const char* text, int* pos, int length)
{
    int iState = 0;
    for (;;)
    {
        const char c = *pos < length ? text[*pos] : '\0';
        int iNext = -1;
        TokenType eResult = TOKEN_NOT_RECOGNIZED; // the class if c is not accepted
        switch (iState)
        {
        case 0: // start; any number of minus signs
            iNext = c == '0' ? 1 : IsDigit(c) ? 2 : c == '.' ? 8 : c == '-' ? 0 : -1;
            break;
        case 1: // after a leading 0
            iNext = (c == 'x' || c == 'X') ? 3 : (c == 'b' || c == 'B') ? 5 : IsDigit(c) ? 2 : c == '.' ? 7 : -1;
            eResult = TOKEN_INTEGER;
            break;
        case 2: // decimal digits
            iNext = IsDigit(c) ? 2 : c == '.' ? 7 : -1;
            eResult = TOKEN_INTEGER;
            break;
        case 3: // after 0x
            iNext = IsHexDigit(c) ? 4 : -1;
            break;
        case 4: // hexadecimal digits
            iNext = IsHexDigit(c) ? 4 : -1;
            eResult = TOKEN_HEXINTEGER;
            break;
        case 5: // after 0b
            iNext = (c == '0' || c == '1') ? 6 : -1;
            break;
        case 6: // binary digits
            iNext = (c == '0' || c == '1') ? 6 : -1;
            eResult = TOKEN_BININTEGER;
            break;
        case 7: // after the point; the f suffix is lower case only
            iNext = IsDigit(c) ? 7 : c == 'f' ? 9 : (c == 'e' || c == 'E') ? 10 : -1;
            eResult = TOKEN_REAL;
            break;
        case 8: // a leading point needs a digit
            iNext = IsDigit(c) ? 7 : -1;
            break;
        case 9: // after the f suffix an exponent may still follow
            iNext = (c == 'e' || c == 'E') ? 10 : -1;
            eResult = TOKEN_REAL;
            break;
        case 10: // after e or E
            iNext = (c == '+' || c == '-') ? 12 : IsDigit(c) ? 11 : -1;
            break;
        case 11: // exponent digits
            iNext = IsDigit(c) ? 11 : -1;
            eResult = TOKEN_EXPREAL;
            break;
        case 12: // after the exponent's sign
            iNext = IsDigit(c) ? 11 : -1;
            break;
        }
        // NUL is never accepted, so the scan cannot run past the text's end.
        if (iNext < 0 || c == '\0')
            return eResult;
        iState = iNext;
        ++*pos;
    }
}

TokenType ScanNumber(const char* text, int* pos)
{
    return ScanNumber(text, pos, INT_MAX);
}
