// Fuzzes ScanNumber and ScanIdentifier over arbitrary NUL-terminated bytes,
// at every start position and with a length bound taken from the input.
#include <cassert>
#include <cstdint>
#include <string>

#include "common/util/Tokenizer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    if (nSize > 4096)
        return 0;
    const std::string text(reinterpret_cast<const char*>(pData), nSize);
    const int nLength = int(text.size());
    const int nBound = nSize > 0 ? pData[0] % (nLength + 1) : 0;
    for (int iStart = 0; iStart <= nLength; iStart++)
    {
        int iPos = iStart;
        const TokenType eNumber = ScanNumber(text.c_str(), &iPos);
        assert(iPos >= iStart && iPos <= nLength);
        assert(eNumber >= TOKEN_NOT_RECOGNIZED && eNumber <= TOKEN_EXPREAL);

        iPos = iStart;
        ScanNumber(text.c_str(), &iPos, nBound);
        assert(iPos >= iStart && (iPos <= nBound || iPos == iStart));

        iPos = iStart;
        const TokenType eIdentifier = ScanIdentifier(text.c_str(), &iPos);
        assert(iPos >= iStart && iPos <= nLength);
        assert(eIdentifier == TOKEN_IDENTIFIER || iPos == iStart);
    }
    return 0;
}
