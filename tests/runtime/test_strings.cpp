// String descriptors: the temporary pool, the capacity rule, assignment.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/runtime.h"
#include "runtime/strings.h"

namespace {

std::string text(const StringDescriptor* d) {
    return d && d->data ? std::string(d->data, strLength(d)) : std::string();
}

// A program variable: frees what it owns when the test ends.
struct Variable {
    StringDescriptor d{};
    ~Variable() { std::free(d.data); }
};

class StringTest : public ::testing::Test {
  protected:
    int32_t freeBefore = 0;
    void SetUp() override { freeBefore = strTempFreeCount(); }
    void TearDown() override {
        EXPECT_EQ(strTempFreeCount(), freeBefore) << "a temporary was not released";
        EXPECT_EQ(rtState.nullString.data, nullptr);
        EXPECT_EQ(rtState.nullString.length, 0);
    }
};

TEST_F(StringTest, CapacityGrowsByBlocksAndReallocatesWhenFarTooLarge) {
    Variable v;
    ASSERT_EQ(strGrow(&v.d, 33, 0), &v.d);
    EXPECT_EQ(v.d.capacity, 72);
    EXPECT_EQ(v.d.data[33], 0);
    std::memset(v.d.data, 'q', 33);
    char* before = v.d.data;
    // 40 bytes want 72 as well: the buffer stays.
    ASSERT_NE(strGrow(&v.d, 40, 1), nullptr);
    EXPECT_EQ(v.d.data, before);
    EXPECT_EQ(v.d.capacity, 72);
    // 1 byte wants 36, below 72 - 9: a smaller buffer, contents kept.
    ASSERT_NE(strGrow(&v.d, 1, 1), nullptr);
    EXPECT_EQ(v.d.capacity, 36);
    EXPECT_EQ(text(&v.d), "q");
    // 64 bytes want 72 again; 36 is too small.
    ASSERT_NE(strGrow(&v.d, 64, 1), nullptr);
    EXPECT_EQ(v.d.capacity, 72);
    EXPECT_EQ(v.d.data[0], 'q');
    // Length 0 leaves the empty string.
    ASSERT_NE(strGrow(&v.d, 0, 0), nullptr);
    EXPECT_EQ(v.d.data, nullptr);
    EXPECT_EQ(v.d.capacity, 0);
}

TEST_F(StringTest, ShrinkingAssignmentReallocates) {
    Variable v;
    strAssignNew(&v.d, -1, const_cast<char*>("123456789012345678901234567890123"), 0, 0);
    EXPECT_EQ(v.d.capacity, 64) << "a new string is allocated by whole blocks";
    strAssignExisting(&v.d, -1, const_cast<char*>("1234567890123456789012345678901234"), 0, 0);
    EXPECT_EQ(v.d.capacity, 64);
    strAssignExisting(&v.d, -1, const_cast<char*>("x"), 0, 0);
    EXPECT_EQ(v.d.capacity, 36);
    EXPECT_EQ(text(&v.d), "x");
    strAssignExisting(&v.d, -1, const_cast<char*>(""), 0, 0);
    EXPECT_EQ(v.d.data, nullptr);
}

TEST_F(StringTest, PoolOf256ThenNullString) {
    std::vector<StringDescriptor*> held;
    int32_t available = strTempFreeCount();
    for (int32_t i = 0; i < available; ++i) {
        StringDescriptor* d = strTempFromBuffer("x", 1);
        ASSERT_NE(d, &rtState.nullString);
        held.push_back(d);
    }
    EXPECT_EQ(held.size() + (STR_POOL_SIZE - available), 256u);
    EXPECT_EQ(strTempFromBuffer("x", 1), &rtState.nullString);
    EXPECT_EQ(strTempAlloc(), nullptr);
    EXPECT_EQ(strFill(3, 'a'), &rtState.nullString);
    EXPECT_EQ(strAllocTemp(nullptr, 4), nullptr);
    EXPECT_EQ(strTempCopyRef(held[0]), &rtState.nullString);
    // The shared empty string survives being consumed.
    EXPECT_EQ(strDelete(&rtState.nullString), 0);
    for (StringDescriptor* d : held)
        EXPECT_EQ(strDelete(d), 0);
}

TEST_F(StringTest, ReleaseRefusesForeignAndFreeDescriptors) {
    StringDescriptor local{};
    EXPECT_EQ(strTempRelease(&local), -1);
    EXPECT_EQ(strTempRelease(nullptr), -1);
    StringDescriptor* d = strTempAlloc();
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(strIsPoolDescriptor(d));
    EXPECT_FALSE(
        strIsPoolDescriptor(reinterpret_cast<StringDescriptor*>(reinterpret_cast<char*>(d) + 1)));
    EXPECT_EQ(strTempRelease(d), 0);
    EXPECT_EQ(strTempRelease(d), -1) << "a second release must not corrupt the lists";
    EXPECT_EQ(strDelete(nullptr), -1);
}

TEST_F(StringTest, TemporaryIsMovedNotCopied) {
    Variable v;
    strAssignNew(&v.d, -1, const_cast<char*>("old contents"), 0, 0);
    StringDescriptor* t = strFill(40, 'z');
    ASSERT_TRUE(t->length & STR_TEMP);
    char* buffer = t->data;
    int32_t freeWithTemp = strTempFreeCount();
    strAssignExisting(&v.d, -1, t, -1, 0);
    EXPECT_EQ(v.d.data, buffer);
    EXPECT_EQ(v.d.length, 40) << "the variable is not temporary";
    EXPECT_EQ(v.d.capacity, 72);
    EXPECT_EQ(strTempFreeCount(), freeWithTemp + 1) << "the descriptor went back to the pool";
}

TEST_F(StringTest, ReferenceIsCopiedAndReleased) {
    static const char bytes[] = "hello world";
    Variable v;
    StringDescriptor* ref = strTempFromBuffer(bytes, 5);
    EXPECT_FALSE(ref->length & STR_TEMP);
    EXPECT_EQ(ref->data, bytes) << "no copy is made";
    strAssignNew(&v.d, -1, ref, -1, 0);
    EXPECT_EQ(text(&v.d), "hello");
    EXPECT_NE(v.d.data, bytes);
    EXPECT_EQ(v.d.data[5], 0);
    // A shared reference to a variable, assigned back to it, changes nothing.
    strAssignExisting(&v.d, -1, strTempCopyRef(&v.d), -1, 0);
    EXPECT_EQ(text(&v.d), "hello");
    // A piece of its own bytes, of another length: copied before the buffer changes.
    strAssignExisting(&v.d, -1, strTempFromBuffer(v.d.data + 1, 3), -1, 0);
    EXPECT_EQ(text(&v.d), "ell");
}

TEST_F(StringTest, FixedBuffersTruncateAndFill) {
    char buffer[6];
    std::memset(buffer, '#', sizeof buffer);
    strAssignNew(buffer, 6, strTempFromBuffer("abcdefgh", 8), -1, 0);
    EXPECT_STREQ(buffer, "abcde");
    std::memset(buffer, '#', sizeof buffer);
    strAssignNew(buffer, 6, const_cast<char*>("ab"), 0, 1);
    EXPECT_EQ(std::string(buffer, 6), std::string("ab\0\0\0\0", 6));
    strConcatAssign(buffer, 6, const_cast<char*>("cdefg"), 0, 0);
    EXPECT_STREQ(buffer, "abcde");
    strConcatAssign(buffer, 6, const_cast<char*>("z"), 0, 0);
    EXPECT_STREQ(buffer, "abcde") << "a full buffer takes nothing";
    // A source buffer read at most up to its given size.
    Variable v;
    strAssignNew(&v.d, -1, const_cast<char*>("abcdef"), 3, 0);
    EXPECT_EQ(text(&v.d), "abc");
}

TEST_F(StringTest, ConcatenationAppendsAlsoToItself) {
    Variable v;
    strAssignNew(&v.d, -1, const_cast<char*>("ab"), 0, 0);
    strConcatAssign(&v.d, -1, strFill(3, 'c'), -1, 0);
    EXPECT_EQ(text(&v.d), "abccc");
    // Growing past the first block moves the buffer while its bytes are read.
    for (int i = 0; i < 5; ++i)
        strConcatAssign(&v.d, -1, &v.d, -1, 0);
    EXPECT_EQ(strLength(&v.d), 160);
    EXPECT_EQ(text(&v.d).substr(0, 10), "abcccabccc");
    EXPECT_EQ(v.d.data[160], 0);
}

TEST_F(StringTest, MidFillChr) {
    auto mid = [](const char* s, int32_t start, int32_t length) {
        StringDescriptor* r =
            strMid(strTempFromBuffer(s, static_cast<int32_t>(std::strlen(s))), start, length);
        std::string result = text(r);
        EXPECT_TRUE(r == &rtState.nullString || (r->length & STR_TEMP));
        strDelete(r);
        return result;
    };
    EXPECT_EQ(mid("hello", 2, 3), "ell");
    EXPECT_EQ(mid("hello", 2, -1), "ello");
    EXPECT_EQ(mid("hello", 4, 100), "lo");
    EXPECT_EQ(mid("hello", 5, INT32_MAX), "o");
    EXPECT_EQ(mid("hello", 0, 2), "");
    EXPECT_EQ(mid("hello", 6, 1), "");
    EXPECT_EQ(mid("hello", INT32_MIN, 1), "");
    EXPECT_EQ(mid("hello", 1, 0), "");
    EXPECT_EQ(strMid(nullptr, 1, 1), &rtState.nullString);

    StringDescriptor* fill = strFill(4, 0x141); // only the low byte counts
    EXPECT_EQ(text(fill), "AAAA");
    strDelete(fill);
    EXPECT_EQ(strFill(0, 'a'), &rtState.nullString);
    EXPECT_EQ(strFill(-5, 'a'), &rtState.nullString);
    StringDescriptor* chr = strChr(3, 'x', 'y', 'z');
    EXPECT_EQ(text(chr), "xyz");
    EXPECT_EQ(chr->data[3], 0);
    strDelete(chr);
    EXPECT_EQ(strChr(0), &rtState.nullString);
}

TEST_F(StringTest, ToWideLimitsAndTerminates) {
    uint16_t wide[8];
    EXPECT_EQ(strToWide(wide, 3, strTempFromBuffer("abcdef", 6), -1), 2);
    EXPECT_EQ(wide[0], 'a');
    EXPECT_EQ(wide[1], 'b');
    EXPECT_EQ(wide[2], 0);
    EXPECT_EQ(strToWide(wide, 0, const_cast<char*>("xyz"), 0), 3);
    EXPECT_EQ(wide[3], 0);
    EXPECT_EQ(strToWide(nullptr, 4, strFill(2, 'a'), -1), -1);
}

TEST_F(StringTest, BadInputIsRefusedWithoutHarm) {
    // Negative and null inputs.
    EXPECT_EQ(strAllocTemp(nullptr, -1), nullptr);
    EXPECT_EQ(strGrow(nullptr, 5, 1), nullptr);
    StringDescriptor* empty = strTempFromBuffer(nullptr, 10);
    EXPECT_EQ(empty->data, nullptr);
    EXPECT_EQ(strLength(empty), 0);
    strDelete(empty);
    empty = strTempFromBuffer("abc", -3);
    EXPECT_EQ(strLength(empty), 0);
    strDelete(empty);
    EXPECT_EQ(strAssignNew(nullptr, -1, strFill(3, 'a'), -1, 0), nullptr);
    // The shared empty string is never written.
    EXPECT_EQ(strAssignExisting(&rtState.nullString, -1, strFill(3, 'a'), -1, 0), nullptr);
    EXPECT_EQ(strConcatAssign(&rtState.nullString, -1, strFill(3, 'a'), -1, 0), nullptr);
    StringDescriptor* fresh = strAllocTemp(&rtState.nullString, 2);
    ASSERT_NE(fresh, nullptr);
    EXPECT_NE(fresh, &rtState.nullString) << "a fresh temporary is taken instead";
    strDelete(fresh);

    // Lengths near 2^31: the capacity arithmetic must not wrap.
    Variable v;
    StringDescriptor* huge = strGrow(&v.d, INT32_MAX - 3, 0);
    if (huge) {
        EXPECT_GE(v.d.capacity, INT32_MAX - 3);
        EXPECT_EQ(v.d.data[INT32_MAX - 3], 0);
    } else {
        EXPECT_EQ(v.d.data, nullptr);
        EXPECT_EQ(v.d.capacity, 0);
    }
    strGrow(&v.d, 0, 0);
    strAssignNew(&v.d, -1, const_cast<char*>("abc"), 0, 0);
    EXPECT_EQ(strConcatAssign(&v.d, -1, strTempFromBuffer("x", INT32_MAX), -1, 0), &v.d)
        << "an append beyond the largest length is refused";
    EXPECT_EQ(text(&v.d), "abc");
}

TEST_F(StringTest, AllocTempKeepsAGivenDescriptor) {
    StringDescriptor* d = strTempAlloc();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(strAllocTemp(d, 5), d);
    EXPECT_TRUE(d->length & STR_TEMP);
    EXPECT_EQ(strLength(d), 5);
    EXPECT_EQ(d->capacity, 36);
    EXPECT_EQ(d->data[5], 0);
    strDelete(d); // frees the bytes and returns it to the pool
}

} // namespace
