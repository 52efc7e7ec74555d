// The cipher of entry files: a three-round Feistel network over 32-byte blocks
// whose round function is one MD5 compression (RFC 1321) of a half-block and
// a 48-byte subkey. Blocks are enciphered one by one, without chaining.
#ifndef PHONEBK_ENTRYCIPHER_H
#define PHONEBK_ENTRYCIPHER_H

#include <stdint.h>

const unsigned kCipherBlockSize = 32;
const unsigned kCipherKeySize = 96;

// RFC 1321's MD5Transform: one compression of a 64-byte message into state.
void Md5Transform(uint32_t state[4], const unsigned char message[64]);

void EncryptBlock(const unsigned char input[32], unsigned char output[32], const unsigned char key[96]);
void DecryptBlock(const unsigned char input[32], unsigned char output[32], const unsigned char key[96]);

// In place, block by block; the last length % 32 bytes are left as they are.
void EncryptRecord(unsigned char* buffer, unsigned short length);
void DecryptRecord(unsigned char* buffer, unsigned short length);

#endif
