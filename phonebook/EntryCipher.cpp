#include "EntryCipher.h"

#include <string.h>

namespace {

inline uint32_t RotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

inline uint32_t LoadLittle(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline void StoreLittle(unsigned char* p, uint32_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

#define MD5_F(x, y, z) (((x) & (y)) | (~(x) & (z)))
#define MD5_G(x, y, z) (((x) & (z)) | ((y) & ~(z)))
#define MD5_H(x, y, z) ((x) ^ (y) ^ (z))
#define MD5_I(x, y, z) ((y) ^ ((x) | ~(z)))
#define MD5_STEP(f, a, b, c, d, x, s, ac) \
    (a) += f((b), (c), (d)) + (x) + uint32_t(ac); \
    (a) = RotateLeft((a), (s)) + (b)

// The round function F(X, K): MD5's compression of X (16 bytes) followed by
// the subkey K (48 bytes), from MD5's initial state, with no padding block.
void RoundFunction(const unsigned char half[16], const unsigned char subkey[48], unsigned char out[16])
{
    unsigned char message[64];
    memcpy(message, half, 16);
    memcpy(message + 16, subkey, 48);
    uint32_t state[4] = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u};
    Md5Transform(state, message);
    for (int i = 0; i < 4; ++i)
        StoreLittle(out + 4 * i, state[i]);
}

inline void Xor16(unsigned char* out, const unsigned char* a, const unsigned char* b)
{
    for (int i = 0; i < 16; ++i)
        out[i] = a[i] ^ b[i];
}

// The entry key, made afresh by each caller in its own buffer from the
// constants below; it is never kept as data of the library.
void BuildEntryKey(unsigned char key[96])
{
    uint32_t x = 0x5A17C0DEu;
    for (unsigned i = 0; i < kCipherKeySize; i += 4) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        StoreLittle(key + i, x * 0x9E3779B1u);
    }
}

void WipeKey(unsigned char key[96])
{
    volatile unsigned char* p = key;
    for (unsigned i = 0; i < kCipherKeySize; ++i)
        p[i] = 0;
}

typedef void (*BlockFunction)(const unsigned char*, unsigned char*, const unsigned char*);

void CipherRecord(unsigned char* buffer, unsigned short length, BlockFunction block)
{
    unsigned char key[kCipherKeySize];
    BuildEntryKey(key);
    unsigned char temporary[kCipherBlockSize];
    for (unsigned offset = 0; offset + kCipherBlockSize <= length; offset += kCipherBlockSize) {
        block(buffer + offset, temporary, key);
        memcpy(buffer + offset, temporary, kCipherBlockSize);
    }
    WipeKey(key);
}

}  // namespace

void Md5Transform(uint32_t state[4], const unsigned char message[64])
{
    uint32_t x[16];
    for (int i = 0; i < 16; ++i)
        x[i] = LoadLittle(message + 4 * i);
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];

    MD5_STEP(MD5_F, a, b, c, d, x[0], 7, 0xd76aa478);
    MD5_STEP(MD5_F, d, a, b, c, x[1], 12, 0xe8c7b756);
    MD5_STEP(MD5_F, c, d, a, b, x[2], 17, 0x242070db);
    MD5_STEP(MD5_F, b, c, d, a, x[3], 22, 0xc1bdceee);
    MD5_STEP(MD5_F, a, b, c, d, x[4], 7, 0xf57c0faf);
    MD5_STEP(MD5_F, d, a, b, c, x[5], 12, 0x4787c62a);
    MD5_STEP(MD5_F, c, d, a, b, x[6], 17, 0xa8304613);
    MD5_STEP(MD5_F, b, c, d, a, x[7], 22, 0xfd469501);
    MD5_STEP(MD5_F, a, b, c, d, x[8], 7, 0x698098d8);
    MD5_STEP(MD5_F, d, a, b, c, x[9], 12, 0x8b44f7af);
    MD5_STEP(MD5_F, c, d, a, b, x[10], 17, 0xffff5bb1);
    MD5_STEP(MD5_F, b, c, d, a, x[11], 22, 0x895cd7be);
    MD5_STEP(MD5_F, a, b, c, d, x[12], 7, 0x6b901122);
    MD5_STEP(MD5_F, d, a, b, c, x[13], 12, 0xfd987193);
    MD5_STEP(MD5_F, c, d, a, b, x[14], 17, 0xa679438e);
    MD5_STEP(MD5_F, b, c, d, a, x[15], 22, 0x49b40821);

    MD5_STEP(MD5_G, a, b, c, d, x[1], 5, 0xf61e2562);
    MD5_STEP(MD5_G, d, a, b, c, x[6], 9, 0xc040b340);
    MD5_STEP(MD5_G, c, d, a, b, x[11], 14, 0x265e5a51);
    MD5_STEP(MD5_G, b, c, d, a, x[0], 20, 0xe9b6c7aa);
    MD5_STEP(MD5_G, a, b, c, d, x[5], 5, 0xd62f105d);
    MD5_STEP(MD5_G, d, a, b, c, x[10], 9, 0x02441453);
    MD5_STEP(MD5_G, c, d, a, b, x[15], 14, 0xd8a1e681);
    MD5_STEP(MD5_G, b, c, d, a, x[4], 20, 0xe7d3fbc8);
    MD5_STEP(MD5_G, a, b, c, d, x[9], 5, 0x21e1cde6);
    MD5_STEP(MD5_G, d, a, b, c, x[14], 9, 0xc33707d6);
    MD5_STEP(MD5_G, c, d, a, b, x[3], 14, 0xf4d50d87);
    MD5_STEP(MD5_G, b, c, d, a, x[8], 20, 0x455a14ed);
    MD5_STEP(MD5_G, a, b, c, d, x[13], 5, 0xa9e3e905);
    MD5_STEP(MD5_G, d, a, b, c, x[2], 9, 0xfcefa3f8);
    MD5_STEP(MD5_G, c, d, a, b, x[7], 14, 0x676f02d9);
    MD5_STEP(MD5_G, b, c, d, a, x[12], 20, 0x8d2a4c8a);

    MD5_STEP(MD5_H, a, b, c, d, x[5], 4, 0xfffa3942);
    MD5_STEP(MD5_H, d, a, b, c, x[8], 11, 0x8771f681);
    MD5_STEP(MD5_H, c, d, a, b, x[11], 16, 0x6d9d6122);
    MD5_STEP(MD5_H, b, c, d, a, x[14], 23, 0xfde5380c);
    MD5_STEP(MD5_H, a, b, c, d, x[1], 4, 0xa4beea44);
    MD5_STEP(MD5_H, d, a, b, c, x[4], 11, 0x4bdecfa9);
    MD5_STEP(MD5_H, c, d, a, b, x[7], 16, 0xf6bb4b60);
    MD5_STEP(MD5_H, b, c, d, a, x[10], 23, 0xbebfbc70);
    MD5_STEP(MD5_H, a, b, c, d, x[13], 4, 0x289b7ec6);
    MD5_STEP(MD5_H, d, a, b, c, x[0], 11, 0xeaa127fa);
    MD5_STEP(MD5_H, c, d, a, b, x[3], 16, 0xd4ef3085);
    MD5_STEP(MD5_H, b, c, d, a, x[6], 23, 0x04881d05);
    MD5_STEP(MD5_H, a, b, c, d, x[9], 4, 0xd9d4d039);
    MD5_STEP(MD5_H, d, a, b, c, x[12], 11, 0xe6db99e5);
    MD5_STEP(MD5_H, c, d, a, b, x[15], 16, 0x1fa27cf8);
    MD5_STEP(MD5_H, b, c, d, a, x[2], 23, 0xc4ac5665);

    MD5_STEP(MD5_I, a, b, c, d, x[0], 6, 0xf4292244);
    MD5_STEP(MD5_I, d, a, b, c, x[7], 10, 0x432aff97);
    MD5_STEP(MD5_I, c, d, a, b, x[14], 15, 0xab9423a7);
    MD5_STEP(MD5_I, b, c, d, a, x[5], 21, 0xfc93a039);
    MD5_STEP(MD5_I, a, b, c, d, x[12], 6, 0x655b59c3);
    MD5_STEP(MD5_I, d, a, b, c, x[3], 10, 0x8f0ccc92);
    MD5_STEP(MD5_I, c, d, a, b, x[10], 15, 0xffeff47d);
    MD5_STEP(MD5_I, b, c, d, a, x[1], 21, 0x85845dd1);
    MD5_STEP(MD5_I, a, b, c, d, x[8], 6, 0x6fa87e4f);
    MD5_STEP(MD5_I, d, a, b, c, x[15], 10, 0xfe2ce6e0);
    MD5_STEP(MD5_I, c, d, a, b, x[6], 15, 0xa3014314);
    MD5_STEP(MD5_I, b, c, d, a, x[13], 21, 0x4e0811a1);
    MD5_STEP(MD5_I, a, b, c, d, x[4], 6, 0xf7537e82);
    MD5_STEP(MD5_I, d, a, b, c, x[11], 10, 0xbd3af235);
    MD5_STEP(MD5_I, c, d, a, b, x[2], 15, 0x2ad7d2bb);
    MD5_STEP(MD5_I, b, c, d, a, x[9], 21, 0xeb86d391);

    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

void EncryptBlock(const unsigned char input[32], unsigned char output[32], const unsigned char key[96])
{
    const unsigned char* k1 = key;
    const unsigned char* k2 = key + 48;
    unsigned char f[16], t[16];
    RoundFunction(input, k1, f);           // T = R ^ F(L, K1)
    Xor16(t, input + 16, f);
    RoundFunction(t, k2, f);               // second half = L ^ F(T, K2)
    Xor16(output + 16, input, f);
    RoundFunction(output + 16, k1, f);     // first half = T ^ F(second half, K1)
    Xor16(output, t, f);
}

void DecryptBlock(const unsigned char input[32], unsigned char output[32], const unsigned char key[96])
{
    const unsigned char* k1 = key;
    const unsigned char* k2 = key + 48;
    unsigned char f[16], t[16];
    RoundFunction(input + 16, k1, f);      // T = A ^ F(B, K1)
    Xor16(t, input, f);
    RoundFunction(t, k2, f);               // first half = B ^ F(T, K2)
    Xor16(output, input + 16, f);
    RoundFunction(output, k1, f);          // second half = T ^ F(first half, K1)
    Xor16(output + 16, t, f);
}

void EncryptRecord(unsigned char* buffer, unsigned short length)
{
    CipherRecord(buffer, length, EncryptBlock);
}

void DecryptRecord(unsigned char* buffer, unsigned short length)
{
    CipherRecord(buffer, length, DecryptBlock);
}
