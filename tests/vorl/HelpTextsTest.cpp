// The record helpers that sit beside the help texts (the texts themselves are
// checked byte for byte by the end-to-end tests), and the allocation forms
// that vorl's code and its fuzz drivers rely on.
#include "vorl/HelpTexts.h"

#include <gtest/gtest.h>

#include <new>
#include <vector>

namespace
{

struct SRecordCase
{
    std::vector<uint8> vBytes;
    bool bFills;
    uint32 nRecords;
};

void PrintTo(const SRecordCase& c, std::ostream* pOut)
{
    *pOut << c.vBytes.size() << " bytes";
}

class Records : public ::testing::TestWithParam<SRecordCase>
{
};

TEST_P(Records, AreWalkedByTheirLengths)
{
    const std::vector<uint8>& v = GetParam().vBytes;
    EXPECT_EQ(RecordsFillBuffer(v.data(), uint32(v.size())), GetParam().bFills);
    EXPECT_EQ(CountRecords(v.data(), uint32(v.size())), GetParam().nRecords);
}

INSTANTIATE_TEST_SUITE_P(
    Buffers, Records,
    ::testing::Values(SRecordCase{{}, false, 0}, SRecordCase{{4, 0, 0}, false, 0},
                      SRecordCase{{4, 0, 0, 0}, true, 1},
                      SRecordCase{{5, 0, 0, 0, 9, 4, 0, 0, 0}, true, 2},
                      // A record running past the end, and one shorter than its length word.
                      SRecordCase{{4, 0, 0, 0, 8, 0, 0, 0}, false, 1},
                      SRecordCase{{3, 0, 0, 0, 4, 0, 0, 0}, false, 0},
                      // A length below 4 after a whole record: no records at all.
                      SRecordCase{{4, 0, 0, 0, 2, 0, 0, 0}, false, 0},
                      SRecordCase{{4, 0, 0, 0, 4, 0}, false, 1}));

TEST(Records, GetRecordSkipsByLength)
{
    const uint8 aBuffer[] = {6, 0, 0, 0, 1, 2, 4, 0, 0, 0, 2, 0, 0, 0};
    EXPECT_EQ(GetRecord(aBuffer, 0), aBuffer);
    EXPECT_EQ(GetRecord(aBuffer, 1), aBuffer + 6);
    EXPECT_EQ(GetRecord(aBuffer, 2), nullptr);
    // A record too short for its length word is never stepped over.
    const uint8 aShortFirst[] = {2, 0, 0, 0, 4, 0, 0, 0};
    EXPECT_EQ(GetRecord(aShortFirst, 1), nullptr);
}

} // namespace

namespace
{

// The fuzz driver allocates with the nothrow forms and frees with delete: all
// forms must come from vorl's own allocation functions (a mismatch is reported
// under AddressSanitizer).
TEST(Allocation, NothrowFormsAreFilledAndFreedByDelete)
{
    unsigned char* pBlock = static_cast<unsigned char*>(::operator new(8, std::nothrow));
    ASSERT_NE(pBlock, nullptr);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(pBlock[i], 0x02);
    ::operator delete(pBlock);
    char* pArray = new (std::nothrow) char[5];
    ASSERT_NE(pArray, nullptr);
    EXPECT_EQ(pArray[4], 0x02);
    delete[] pArray;
}

} // namespace
