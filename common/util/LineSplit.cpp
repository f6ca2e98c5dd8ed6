// SplitLine and NextWord.
#include "common/util/LineSplit.h"

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

int SplitLine(const char* text, int pos, std::vector<std::string>& words)
{
    words.clear();
    for (;;)
    {
        // The line end is looked at only before the blanks are skipped, so
        // blanks after the last word give one more, empty word.
        if (text[pos] == '\n')
            return pos + 1;
        if (text[pos] == '\0')
            return 0;
        while (IsBlank(text[pos]))
            pos++;
        const int iStart = pos;
        if (text[pos] == '"')
        {
            pos++;
            const int iWordStart = pos;
            while (text[pos] != '"' && text[pos] != '\n' && text[pos] != '\0')
                pos++;
            words.emplace_back(text + iWordStart, pos - iWordStart);
            if (text[pos] == '"')
                pos++;
        }
        else
        {
            while (!IsBlank(text[pos]) && text[pos] != '\n' && text[pos] != '\0')
                pos++;
            words.emplace_back(text + iStart, pos - iStart);
        }
    }
}

int NextWord(const char* text, int pos, std::string& word)
{
    word.clear();
    while (IsBlank(text[pos]) || text[pos] == '\n')
        pos++;
    const int iStart = pos;
    if (text[pos] == '"')
    {
        pos++;
        while (text[pos] != '"' && text[pos] != '\n' && text[pos] != '\0')
            pos++;
        if (text[pos] == '"')
            pos++;
    }
    else
    {
        while (!IsBlank(text[pos]) && text[pos] != '\n' && text[pos] != '\0')
            pos++;
    }
    word.assign(text + iStart, pos - iStart);
    // The character after the word is its separator and is skipped.
    return text[pos] == '\0' ? 0 : pos + 1;
}
