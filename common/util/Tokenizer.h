// The tokenizer: classifies the text at a position as a decimal, hexadecimal
// or binary integer, a real with or without exponent, or an identifier. It
// reports a class and how far it read, and never converts a value.
#pragma once

#include <string>

enum TokenType
{
    TOKEN_NOT_RECOGNIZED = 0,
    TOKEN_INTEGER = 1,
    TOKEN_HEXINTEGER = 2,
    TOKEN_BININTEGER = 3,
    TOKEN_REAL = 4,
    TOKEN_EXPREAL = 5,
    TOKEN_IDENTIFIER = 6
};

extern const std::string TokenTypeNames[7];

// A letter or underscore, then letters, digits and underscores: 6, else 0.
// *pos is left on the first character not accepted, whatever the result.
TokenType ScanIdentifier(const char* text, int* pos);

// The class of the longest number prefix at text[*pos]; characters at an
// index at or beyond length read as NUL. *pos is left on the first character
// not accepted, whatever the result.
TokenType ScanNumber(const char* text, int* pos, int length);
TokenType ScanNumber(const char* text, int* pos);

// The name of a token class, 0 to 6.
std::string GetTokenTypeName(int index);
