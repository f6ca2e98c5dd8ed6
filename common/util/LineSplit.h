// Line splitting: cuts NUL-terminated text into words. Blanks are the space
// and the tab; a line ends at a line feed or at the NUL; every other byte,
// the carriage return included, belongs to a word.
#pragma once

#include <string>
#include <vector>

bool IsBlank(char c);

// Splits the line at text[pos] into words (double quotes group a word and
// are dropped; blanks after the last word add one empty word). Returns the
// index where the next line starts, or 0 when the text has ended.
int SplitLine(const char* text, int pos, std::vector<std::string>& words);

// Reads one word across line ends, keeping its quotes. Returns where to
// continue (exactly one character after the word is skipped), or 0 when the
// text ended right after the word; the word is valid in both cases.
int NextWord(const char* text, int pos, std::string& word);
