// The entry cipher and the MD5 compression it is built on.
#include <gtest/gtest.h>
#include <malloc.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

#include "EntryCipher.h"

namespace {

// The MD5 digest through Md5Transform, padding as RFC 1321 does.
std::string Md5Hex(const std::string& text)
{
    uint32_t state[4] = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u};
    std::vector<unsigned char> message(text.begin(), text.end());
    uint64_t bits = uint64_t(text.size()) * 8;
    message.push_back(0x80);
    while (message.size() % 64 != 56)
        message.push_back(0);
    for (int i = 0; i < 8; ++i)
        message.push_back(static_cast<unsigned char>(bits >> (8 * i)));
    for (size_t offset = 0; offset < message.size(); offset += 64)
        Md5Transform(state, &message[offset]);
    char hex[33];
    for (int i = 0; i < 16; ++i)
        sprintf(hex + 2 * i, "%02x", (state[i / 4] >> (8 * (i % 4))) & 0xFF);
    return hex;
}

TEST(Md5Transform, MatchesTheRfc1321TestSuite)
{
    EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", Md5Hex(""));
    EXPECT_EQ("0cc175b9c0f1b6a831c399e269772661", Md5Hex("a"));
    EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", Md5Hex("abc"));
    EXPECT_EQ("f96b697d7cb7938d525a2f31aaf161d0", Md5Hex("message digest"));
    EXPECT_EQ("c3fcd3d76192e4007dfb496cca67e13b", Md5Hex("abcdefghijklmnopqrstuvwxyz"));
    EXPECT_EQ("d174ab98d277d9f5a5611c2c9f419d9f",
              Md5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"));
    EXPECT_EQ("57edf4a22be3c955ac49da2e2107b67a",
              Md5Hex("1234567890123456789012345678901234567890"
                     "1234567890123456789012345678901234567890"));
}

// One compression of a 64-byte block is not the digest of those 64 bytes: the
// digest compresses a second, padding block.
TEST(Md5Transform, OneCompressionIsNotTheDigest)
{
    std::string block(64, 'q');
    uint32_t state[4] = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u};
    Md5Transform(state, reinterpret_cast<const unsigned char*>(block.data()));
    char hex[33];
    for (int i = 0; i < 16; ++i)
        sprintf(hex + 2 * i, "%02x", (state[i / 4] >> (8 * (i % 4))) & 0xFF);
    EXPECT_NE(Md5Hex(block), std::string(hex));
}

std::vector<unsigned char> Pattern(size_t length, unsigned seed)
{
    std::vector<unsigned char> bytes(length);
    for (size_t i = 0; i < length; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes[i] = static_cast<unsigned char>(seed >> 16);
    }
    return bytes;
}

TEST(EntryCipher, DecryptUndoesEncryptForEveryLength)
{
    for (unsigned length = 0; length <= 2200; length += (length < 100 ? 1 : 37)) {
        std::vector<unsigned char> plain = Pattern(length, length);
        std::vector<unsigned char> data = plain;
        EncryptRecord(data.data(), static_cast<unsigned short>(length));
        if (length >= 32) {
            EXPECT_NE(plain, data) << "length " << length;
        }
        DecryptRecord(data.data(), static_cast<unsigned short>(length));
        EXPECT_EQ(plain, data) << "length " << length;
    }
}

TEST(EntryCipher, LeavesThePartialTailAlone)
{
    std::vector<unsigned char> plain = Pattern(31, 7);
    std::vector<unsigned char> data = plain;
    EncryptRecord(data.data(), 31);
    EXPECT_EQ(plain, data);

    plain = Pattern(40, 8);
    data = plain;
    EncryptRecord(data.data(), 40);
    EXPECT_NE(0, memcmp(plain.data(), data.data(), 32));
    EXPECT_EQ(0, memcmp(plain.data() + 32, data.data() + 32, 8));
}

TEST(EntryCipher, EnciphersEachBlockOnItsOwn)
{
    std::vector<unsigned char> record = Pattern(2144, 3);
    memcpy(&record[96], &record[64], 32);
    EncryptRecord(record.data(), 2144);
    EXPECT_EQ(0, memcmp(&record[64], &record[96], 32));
    EXPECT_NE(0, memcmp(&record[0], &record[64], 32));
}

TEST(EntryCipher, RecordIsBlockByBlockEncryptBlockWithOneKey)
{
    // Two different blocks placed in either order encipher to the same
    // ciphertext blocks: no chaining, no position dependence.
    std::vector<unsigned char> a = Pattern(64, 11);
    std::vector<unsigned char> b(64);
    memcpy(&b[0], &a[32], 32);
    memcpy(&b[32], &a[0], 32);
    EncryptRecord(a.data(), 64);
    EncryptRecord(b.data(), 64);
    EXPECT_EQ(0, memcmp(&a[0], &b[32], 32));
    EXPECT_EQ(0, memcmp(&a[32], &b[0], 32));
}

// What the stack below its caller holds, as the last call there left it.
__attribute__((noinline)) std::vector<unsigned char> DeadStack(size_t size)
{
    const unsigned char* area = static_cast<const unsigned char*>(alloca(size));
    return std::vector<unsigned char>(area, area + size);
}

// EncryptRecord, called from deeper down the stack than DeadStack's own
// frame reaches.
__attribute__((noinline)) void EncryptBelow(unsigned char* record)
{
    volatile unsigned char room[512];
    room[0] = 0;
    EncryptRecord(record, 64);
    room[sizeof(room) - 1] = room[0];
}

// The key is made afresh for each record and wiped before the call returns:
// nothing left on the stack enciphers as the record was.
TEST(EntryCipher, NoKeyOutlivesTheCall)
{
    std::vector<unsigned char> record = Pattern(64, 5), plain = record;
    EncryptBelow(record.data());
    std::vector<unsigned char> stack = DeadStack(4096);
    unsigned char block[32];
    for (size_t at = 0; at + kCipherKeySize <= stack.size(); ++at) {
        EncryptBlock(plain.data(), block, &stack[at]);
        ASSERT_NE(0, memcmp(block, record.data(), sizeof(block))) << "a key " << at << " bytes into the stack";
    }
}

TEST(EntryCipher, BlockFunctionsAreInversesUnderAnyKey)
{
    std::vector<unsigned char> key = Pattern(96, 5);
    std::vector<unsigned char> input = Pattern(32, 6);
    unsigned char cipher[32], back[32];
    EncryptBlock(input.data(), cipher, key.data());
    DecryptBlock(cipher, back, key.data());
    EXPECT_EQ(0, memcmp(input.data(), back, 32));
    // A different subkey gives a different block.
    key[50] ^= 1;
    unsigned char other[32];
    EncryptBlock(input.data(), other, key.data());
    EXPECT_NE(0, memcmp(cipher, other, 32));
}

// The Feistel structure: the second ciphertext half is L ^ F(T, K2) with
// T = R ^ F(L, K1). Checked against a direct composition of the round function
// built from Md5Transform.
TEST(EntryCipher, FollowsTheThreeRoundStructure)
{
    auto F = [](const unsigned char* half, const unsigned char* subkey, unsigned char* out) {
        unsigned char message[64];
        memcpy(message, half, 16);
        memcpy(message + 16, subkey, 48);
        uint32_t state[4] = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u};
        Md5Transform(state, message);
        memcpy(out, state, 16);   // little-endian words on this machine
    };
    std::vector<unsigned char> key = Pattern(96, 9);
    std::vector<unsigned char> in = Pattern(32, 10);
    unsigned char f[16], t[16], second[16], first[16];
    F(&in[0], &key[0], f);
    for (int i = 0; i < 16; ++i) t[i] = in[16 + i] ^ f[i];
    F(t, &key[48], f);
    for (int i = 0; i < 16; ++i) second[i] = in[i] ^ f[i];
    F(second, &key[0], f);
    for (int i = 0; i < 16; ++i) first[i] = t[i] ^ f[i];

    unsigned char out[32];
    EncryptBlock(in.data(), out, key.data());
    EXPECT_EQ(0, memcmp(out, first, 16));
    EXPECT_EQ(0, memcmp(out + 16, second, 16));
}

}  // namespace
