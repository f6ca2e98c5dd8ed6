// Fuzzes SplitLine and NextWord over arbitrary NUL-terminated bytes: both
// loops must end, stay inside the text and move forward.
#include <cassert>
#include <cstdint>
#include <string>
#include <vector>

#include "common/util/LineSplit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    const std::string text(reinterpret_cast<const char*>(pData), nSize);
    const char* pText = text.c_str(); // ends at the first NUL of the input
    const int nLength = int(std::char_traits<char>::length(pText));

    std::vector<std::string> words;
    int iPos = 0;
    do
    {
        const int iNext = SplitLine(pText, iPos, words);
        assert(iNext == 0 || (iNext > iPos && iNext <= nLength));
        for (const std::string& word : words)
            assert(int(word.size()) <= nLength);
        iPos = iNext;
    } while (iPos != 0);

    std::string word;
    iPos = 0;
    do
    {
        const int iNext = NextWord(pText, iPos, word);
        assert(iNext == 0 || (iNext > iPos && iNext <= nLength));
        iPos = iNext;
    } while (iPos != 0);
    return 0;
}
