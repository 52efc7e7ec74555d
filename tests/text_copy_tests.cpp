// The bounded copies every field and caller buffer goes through.
#include <gtest/gtest.h>
#include <mbctype.h>
#include <string.h>

#include "TextCopy.h"

namespace {

// Runs a test body in a double-byte code page, where 0x82 and 0x81 are lead
// bytes and 0x5C may be a trail byte.
class JapaneseCodePage : public ::testing::Test
{
protected:
    void SetUp() override
    {
        previous_ = _getmbcp();
        ASSERT_EQ(0, _setmbcp(932));
    }
    void TearDown() override { _setmbcp(previous_); }

private:
    int previous_;
};

TEST(BoundedCopy, CopiesUpToTerminatorAndZeroFillsTheRest)
{
    char buffer[8];
    memset(buffer, 'x', sizeof(buffer));
    CopyBounded(buffer, "abc", sizeof(buffer));
    EXPECT_EQ(0, memcmp(buffer, "abc\0\0\0\0\0", 8));
}

TEST(BoundedCopy, StopsAtCountWithoutTerminator)
{
    char buffer[8];
    memset(buffer, 'x', sizeof(buffer));
    CopyBounded(buffer, "abcdef", 4);
    EXPECT_EQ(0, memcmp(buffer, "abcdxxxx", 8));
}

TEST_F(JapaneseCodePage, NeverEndsOnALeadByte)
{
    char buffer[6];
    memset(buffer, 'x', sizeof(buffer));
    CopyBounded(buffer, "ab\x82\xa0z", 3);   // the lead byte would be the third byte
    EXPECT_EQ(0, memcmp(buffer, "ab\0xxx", 6));
    CopyBounded(buffer, "ab\x82\xa0z", 4);   // the whole character fits
    EXPECT_EQ(0, memcmp(buffer, "ab\x82\xa0xx", 6));
}

TEST_F(JapaneseCodePage, TrailByteBackslashIsNotAPathSeparator)
{
    EXPECT_FALSE(EndsWithBackslash("C:\\pb\x81\x5c"));   // a character whose trail byte is 0x5C
    EXPECT_TRUE(EndsWithBackslash("C:\\pb\x81\x5c\\"));
}

TEST(EndsWithBackslash, PlainTexts)
{
    EXPECT_TRUE(EndsWithBackslash("C:\\pb\\"));
    EXPECT_FALSE(EndsWithBackslash("C:\\pb"));
    EXPECT_FALSE(EndsWithBackslash(""));
}

TEST(FetchFieldText, CutsToTheBufferAndTerminates)
{
    char field[32] = "office";
    char buffer[4];
    memset(buffer, 'x', sizeof(buffer));
    FetchFieldText(field, sizeof(field), buffer, sizeof(buffer));
    EXPECT_STREQ("off", buffer);
}

TEST(FetchFieldText, ZeroFillsALargerBuffer)
{
    char field[8] = "ab";
    char buffer[16];
    memset(buffer, 'x', sizeof(buffer));
    FetchFieldText(field, sizeof(field), buffer, sizeof(buffer));
    for (size_t i = 2; i < sizeof(buffer); ++i)
        EXPECT_EQ('\0', buffer[i]) << "byte " << i;
}

TEST(FetchFieldText, ReadsNothingBeyondAnUnterminatedField)
{
    struct {
        char field[4];
        char after[4];
    } record;
    memcpy(record.field, "abcd", 4);     // as a hostile file may leave it
    memcpy(record.after, "EFG", 4);
    char buffer[16];
    memset(buffer, 'x', sizeof(buffer));
    FetchFieldText(record.field, sizeof(record.field), buffer, sizeof(buffer));
    EXPECT_STREQ("abcd", buffer);
    EXPECT_EQ(nullptr, strchr(buffer, 'E'));
}

TEST(FetchFieldText, LeavesANullOrEmptyBufferAlone)
{
    char field[8] = "abc";
    char buffer[4] = {'x', 'x', 'x', 'x'};
    FetchFieldText(field, sizeof(field), buffer, 0);
    EXPECT_EQ(0, memcmp(buffer, "xxxx", 4));
    FetchFieldText(field, sizeof(field), NULL, 4);   // must not crash
}

TEST_F(JapaneseCodePage, FetchFieldTextKeepsWholeCharacters)
{
    // "\x95\x5c" is one character whose trail byte looks like a backslash.
    // Four bytes of text in a four-byte buffer: the second character cannot
    // keep its trail byte, so it goes whole.
    char field[96] = "\x95\x5c\x95\x5c";
    char buffer[4];
    memset(buffer, 'x', sizeof(buffer));
    FetchFieldText(field, sizeof(field), buffer, sizeof(buffer));
    EXPECT_EQ(0, memcmp(buffer, "\x95\x5c\0\0", 4));

    char wide[6];
    FetchFieldText(field, sizeof(field), wide, sizeof(wide));
    EXPECT_EQ(0, memcmp(wide, "\x95\x5c\x95\x5c\0\0", 6));
}

// CopyTerminated into a buffer of `size` bytes filled with 'x' first: what
// the whole buffer holds afterwards.
struct TerminatedCase {
    const char* source;
    size_t size;
    const char* expected;   // size bytes
};

TEST_F(JapaneseCodePage, CopyTerminatedWritesAWholeStringWithinTheBuffer)
{
    const TerminatedCase cases[] = {
        {"ab", 4, "ab\0\0"},
        {"abc", 4, "abc\0"},                 // exactly size - 1 bytes
        {"abcdefgh", 4, "abc\0"},            // cut, the terminator in the last byte
        {"abc", 1, "\0"},
        {"a\x82\xa0z", 3, "a\0\0"},         // the lead byte would end the text: it goes
        {"a\x82\xa0z", 4, "a\x82\xa0\0"},
    };
    for (const TerminatedCase& c : cases) {
        char buffer[8];
        memset(buffer, 'x', sizeof(buffer));
        CopyTerminated(buffer, c.source, c.size);
        EXPECT_EQ(0, memcmp(buffer, c.expected, c.size)) << c.source << " into " << c.size;
        EXPECT_EQ('x', buffer[c.size]) << c.source << " into " << c.size;
    }
    char untouched[2] = {'x', 'x'};
    CopyTerminated(untouched, "abc", 0);
    EXPECT_EQ(0, memcmp(untouched, "xx", 2));
}

TEST(StoreFieldText, KeepsTheBytesAfterTheTerminator)
{
    char field[8];
    memcpy(field, "abcdefg", 8);
    StoreFieldText(field, sizeof(field), "xy");
    EXPECT_EQ(0, memcmp(field, "xy\0defg", 8));
}

TEST(StoreFieldText, CutsALongTextInsideTheField)
{
    struct {
        char field[6];
        char guard[4];
    } record;
    memcpy(record.guard, "GRD", 4);
    StoreFieldText(record.field, sizeof(record.field), "abcdefghij");
    EXPECT_STREQ("abcde", record.field);
    EXPECT_STREQ("GRD", record.guard);

    StoreFieldText(record.field, sizeof(record.field), "abcdef");   // exactly the width
    EXPECT_STREQ("abcde", record.field);
    EXPECT_STREQ("GRD", record.guard);
}

TEST_F(JapaneseCodePage, StoreFieldTextCutsBeforeASplitCharacter)
{
    char field[4];
    StoreFieldText(field, sizeof(field), "ab\x82\xa0");   // 4 bytes do not fit in 3
    EXPECT_STREQ("ab", field);
}

TEST(StoreFieldText, NullIsEmpty)
{
    char field[4] = "abc";
    StoreFieldText(field, sizeof(field), NULL);
    EXPECT_STREQ("", field);
}

TEST(WholeCopies, FitOrLeaveTheBufferAlone)
{
    char buffer[6] = "ab";
    EXPECT_TRUE(AppendWhole(buffer, sizeof(buffer), "cde"));
    EXPECT_STREQ("abcde", buffer);
    EXPECT_FALSE(AppendWhole(buffer, sizeof(buffer), "f"));
    EXPECT_STREQ("abcde", buffer);

    EXPECT_TRUE(CopyWhole(buffer, sizeof(buffer), "12345"));
    EXPECT_FALSE(CopyWhole(buffer, sizeof(buffer), "123456"));
    EXPECT_STREQ("12345", buffer);
}

}  // namespace
