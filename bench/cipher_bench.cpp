// The cost of enciphering one entry record, as a multiple of the same number
// of MD5 compressions done by advapi32's MD5Update, measured side by side in
// one process. A record of 2144 bytes is 67 blocks of 32 bytes at three
// compressions each: 201 compressions, the work of MD5Update over 201 blocks
// of 64 bytes.
#include <windows.h>

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "EntryCipher.h"

namespace {

// advapi32 exports these without a declaration in the headers.
struct Md5Context {
    ULONG i[2];
    ULONG buf[4];
    unsigned char in[64];
    unsigned char digest[16];
};

typedef VOID(WINAPI* Md5InitFunction)(Md5Context*);
typedef VOID(WINAPI* Md5UpdateFunction)(Md5Context*, const unsigned char*, unsigned int);

const unsigned short kRecordSize = 2144;
const unsigned kRecordBlocks = kRecordSize / kCipherBlockSize;  // 67
const unsigned kCompressions = kRecordBlocks * 3;                // 201
const unsigned kMd5BlockSize = 64;
const unsigned kMd5Bytes = kCompressions * kMd5BlockSize;        // 12864
const int kRounds = 7;
const double kTargetSecondsPerTiming = 0.02;

volatile uint32_t g_sink;

unsigned char g_record[kRecordSize];
unsigned char g_md5Input[kMd5Bytes];

struct Advapi32Md5 {
    Md5InitFunction init;
    Md5UpdateFunction update;
};

template <typename Function>
Function BindExport(HMODULE module, const char* name)
{
    FARPROC proc = GetProcAddress(module, name);
    return reinterpret_cast<Function>(reinterpret_cast<void*>(proc));
}

bool BindAdvapi32(Advapi32Md5& md5)
{
    HMODULE module = GetModuleHandleA("advapi32.dll");
    if (!module)
        module = LoadLibraryA("advapi32.dll");  // kept loaded until exit
    if (!module)
        return false;
    md5.init = BindExport<Md5InitFunction>(module, "MD5Init");
    md5.update = BindExport<Md5UpdateFunction>(module, "MD5Update");
    return md5.init && md5.update;
}

void Fill(unsigned char* p, unsigned size, uint32_t seed)
{
    uint32_t x = seed;
    for (unsigned i = 0; i < size; ++i) {
        x = x * 1664525u + 1013904223u;
        p[i] = static_cast<unsigned char>(x >> 24);
    }
}

// Our Md5Transform from MD5's initial state must give the state MD5Update
// leaves after exactly one block of 64 bytes.
bool CheckTransformAgainstAdvapi32(const Advapi32Md5& md5)
{
    unsigned char block[kMd5BlockSize];
    Fill(block, sizeof block, 0x1234567u);

    Md5Context context;
    memset(&context, 0, sizeof context);
    md5.init(&context);
    uint32_t ours[4];
    for (int i = 0; i < 4; ++i)
        ours[i] = context.buf[i];
    md5.update(&context, block, sizeof block);
    Md5Transform(ours, block);

    for (int i = 0; i < 4; ++i) {
        if (ours[i] != context.buf[i]) {
            fprintf(stderr,
                    "cipher_bench: Md5Transform disagrees with advapi32 MD5Update:\n"
                    "  ours:     %08lx %08lx %08lx %08lx\n"
                    "  advapi32: %08lx %08lx %08lx %08lx\n",
                    static_cast<unsigned long>(ours[0]), static_cast<unsigned long>(ours[1]),
                    static_cast<unsigned long>(ours[2]), static_cast<unsigned long>(ours[3]),
                    static_cast<unsigned long>(context.buf[0]), static_cast<unsigned long>(context.buf[1]),
                    static_cast<unsigned long>(context.buf[2]), static_cast<unsigned long>(context.buf[3]));
            return false;
        }
    }
    return true;
}

double Now(double ticksPerSecond)
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / ticksPerSecond;
}

// Seconds per iteration over `iterations` encipherings of the record.
double TimeEncryptRecord(unsigned iterations, double ticksPerSecond)
{
    double start = Now(ticksPerSecond);
    for (unsigned n = 0; n < iterations; ++n) {
        EncryptRecord(g_record, kRecordSize);
        g_sink = g_sink + g_record[n % kRecordSize];
    }
    return (Now(ticksPerSecond) - start) / iterations;
}

// Seconds per iteration over `iterations` MD5Updates of 201 blocks from a
// fresh context (no MD5Final: its padding would add compressions).
double TimeMd5Update(const Advapi32Md5& md5, unsigned iterations, double ticksPerSecond)
{
    Md5Context context;
    double start = Now(ticksPerSecond);
    for (unsigned n = 0; n < iterations; ++n) {
        md5.init(&context);
        md5.update(&context, g_md5Input, kMd5Bytes);
        g_sink = g_sink + context.buf[0];
    }
    return (Now(ticksPerSecond) - start) / iterations;
}

unsigned IterationsFor(double secondsPerIteration)
{
    if (secondsPerIteration <= 0)
        return 100000;
    double n = kTargetSecondsPerTiming / secondsPerIteration;
    if (n < 10)
        return 10;
    if (n > 100000)
        return 100000;
    return static_cast<unsigned>(n);
}

}  // namespace

int main()
{
    Advapi32Md5 md5;
    if (!BindAdvapi32(md5)) {
        fprintf(stderr, "cipher_bench: advapi32.dll does not export MD5Init and MD5Update\n");
        return 1;
    }
    if (!CheckTransformAgainstAdvapi32(md5))
        return 1;

    LARGE_INTEGER frequency;
    if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0) {
        fprintf(stderr, "cipher_bench: no performance counter\n");
        return 1;
    }
    const double ticksPerSecond = static_cast<double>(frequency.QuadPart);

    Fill(g_record, sizeof g_record, 0xC0FFEEu);
    Fill(g_md5Input, sizeof g_md5Input, 0xBADF00Du);

    // Warm up, and pick iteration counts so that each timing lasts ~20 ms.
    unsigned cipherIterations = IterationsFor(TimeEncryptRecord(20, ticksPerSecond));
    unsigned md5Iterations = IterationsFor(TimeMd5Update(md5, 20, ticksPerSecond));

    double bestCipher = 0, bestMd5 = 0;
    for (int round = 0; round < kRounds; ++round) {
        double cipher = TimeEncryptRecord(cipherIterations, ticksPerSecond);
        double digest = TimeMd5Update(md5, md5Iterations, ticksPerSecond);
        if (round == 0 || cipher < bestCipher)
            bestCipher = cipher;
        if (round == 0 || digest < bestMd5)
            bestMd5 = digest;
    }

    printf("EncryptRecord (%u bytes, %u blocks): %.2f us\n", static_cast<unsigned>(kRecordSize), kRecordBlocks,
           bestCipher * 1e6);
    printf("advapi32 MD5Update (%u blocks):       %.2f us\n", kCompressions, bestMd5 * 1e6);
    printf("ratio: %.2f (aim: at most 1.25)\n", bestMd5 > 0 ? bestCipher / bestMd5 : 0.0);
    printf("(best of %d rounds; %u and %u iterations per timing; sink %02x)\n", kRounds, cipherIterations,
           md5Iterations, static_cast<unsigned>(g_sink & 0xff));
    return 0;
}
