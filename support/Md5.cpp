#include "Md5.h"

#include <cstring>

namespace {

inline uint32_t RotateLeft(uint32_t x, uint32_t n) { return (x << n) | (x >> (32 - n)); }

// The four rounds of RFC 1321; each step mixes one message word into w.
inline void StepF(uint32_t& w, uint32_t x, uint32_t y, uint32_t z, uint32_t m, uint32_t s, uint32_t k) {
    w = x + RotateLeft(w + ((x & y) | (~x & z)) + m + k, s);
}
inline void StepG(uint32_t& w, uint32_t x, uint32_t y, uint32_t z, uint32_t m, uint32_t s, uint32_t k) {
    w = x + RotateLeft(w + ((x & z) | (y & ~z)) + m + k, s);
}
inline void StepH(uint32_t& w, uint32_t x, uint32_t y, uint32_t z, uint32_t m, uint32_t s, uint32_t k) {
    w = x + RotateLeft(w + (x ^ y ^ z) + m + k, s);
}
inline void StepI(uint32_t& w, uint32_t x, uint32_t y, uint32_t z, uint32_t m, uint32_t s, uint32_t k) {
    w = x + RotateLeft(w + (y ^ (x | ~z)) + m + k, s);
}

void StoreLe32(uint8_t* out, uint32_t v) {
    out[0] = static_cast<uint8_t>(v);
    out[1] = static_cast<uint8_t>(v >> 8);
    out[2] = static_cast<uint8_t>(v >> 16);
    out[3] = static_cast<uint8_t>(v >> 24);
}

}  // namespace

CSMd5::CSMd5() : count_{0, 0}, state_{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476}, block_{},
                 finalized_(false), digest_{} {}

void CSMd5::Transform(const uint8_t block[64]) {
    uint32_t m[16];
    for (int i = 0; i < 16; ++i) {
        m[i] = static_cast<uint32_t>(block[i * 4]) | (static_cast<uint32_t>(block[i * 4 + 1]) << 8) |
               (static_cast<uint32_t>(block[i * 4 + 2]) << 16) |
               (static_cast<uint32_t>(block[i * 4 + 3]) << 24);
    }
    uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    // The 64 steps written out: the compiler then keeps all four words in registers.
    StepF(a, b, c, d, m[0], 7, 0xd76aa478);
    StepF(d, a, b, c, m[1], 12, 0xe8c7b756);
    StepF(c, d, a, b, m[2], 17, 0x242070db);
    StepF(b, c, d, a, m[3], 22, 0xc1bdceee);
    StepF(a, b, c, d, m[4], 7, 0xf57c0faf);
    StepF(d, a, b, c, m[5], 12, 0x4787c62a);
    StepF(c, d, a, b, m[6], 17, 0xa8304613);
    StepF(b, c, d, a, m[7], 22, 0xfd469501);
    StepF(a, b, c, d, m[8], 7, 0x698098d8);
    StepF(d, a, b, c, m[9], 12, 0x8b44f7af);
    StepF(c, d, a, b, m[10], 17, 0xffff5bb1);
    StepF(b, c, d, a, m[11], 22, 0x895cd7be);
    StepF(a, b, c, d, m[12], 7, 0x6b901122);
    StepF(d, a, b, c, m[13], 12, 0xfd987193);
    StepF(c, d, a, b, m[14], 17, 0xa679438e);
    StepF(b, c, d, a, m[15], 22, 0x49b40821);

    StepG(a, b, c, d, m[1], 5, 0xf61e2562);
    StepG(d, a, b, c, m[6], 9, 0xc040b340);
    StepG(c, d, a, b, m[11], 14, 0x265e5a51);
    StepG(b, c, d, a, m[0], 20, 0xe9b6c7aa);
    StepG(a, b, c, d, m[5], 5, 0xd62f105d);
    StepG(d, a, b, c, m[10], 9, 0x02441453);
    StepG(c, d, a, b, m[15], 14, 0xd8a1e681);
    StepG(b, c, d, a, m[4], 20, 0xe7d3fbc8);
    StepG(a, b, c, d, m[9], 5, 0x21e1cde6);
    StepG(d, a, b, c, m[14], 9, 0xc33707d6);
    StepG(c, d, a, b, m[3], 14, 0xf4d50d87);
    StepG(b, c, d, a, m[8], 20, 0x455a14ed);
    StepG(a, b, c, d, m[13], 5, 0xa9e3e905);
    StepG(d, a, b, c, m[2], 9, 0xfcefa3f8);
    StepG(c, d, a, b, m[7], 14, 0x676f02d9);
    StepG(b, c, d, a, m[12], 20, 0x8d2a4c8a);

    StepH(a, b, c, d, m[5], 4, 0xfffa3942);
    StepH(d, a, b, c, m[8], 11, 0x8771f681);
    StepH(c, d, a, b, m[11], 16, 0x6d9d6122);
    StepH(b, c, d, a, m[14], 23, 0xfde5380c);
    StepH(a, b, c, d, m[1], 4, 0xa4beea44);
    StepH(d, a, b, c, m[4], 11, 0x4bdecfa9);
    StepH(c, d, a, b, m[7], 16, 0xf6bb4b60);
    StepH(b, c, d, a, m[10], 23, 0xbebfbc70);
    StepH(a, b, c, d, m[13], 4, 0x289b7ec6);
    StepH(d, a, b, c, m[0], 11, 0xeaa127fa);
    StepH(c, d, a, b, m[3], 16, 0xd4ef3085);
    StepH(b, c, d, a, m[6], 23, 0x04881d05);
    StepH(a, b, c, d, m[9], 4, 0xd9d4d039);
    StepH(d, a, b, c, m[12], 11, 0xe6db99e5);
    StepH(c, d, a, b, m[15], 16, 0x1fa27cf8);
    StepH(b, c, d, a, m[2], 23, 0xc4ac5665);

    StepI(a, b, c, d, m[0], 6, 0xf4292244);
    StepI(d, a, b, c, m[7], 10, 0x432aff97);
    StepI(c, d, a, b, m[14], 15, 0xab9423a7);
    StepI(b, c, d, a, m[5], 21, 0xfc93a039);
    StepI(a, b, c, d, m[12], 6, 0x655b59c3);
    StepI(d, a, b, c, m[3], 10, 0x8f0ccc92);
    StepI(c, d, a, b, m[10], 15, 0xffeff47d);
    StepI(b, c, d, a, m[1], 21, 0x85845dd1);
    StepI(a, b, c, d, m[8], 6, 0x6fa87e4f);
    StepI(d, a, b, c, m[15], 10, 0xfe2ce6e0);
    StepI(c, d, a, b, m[6], 15, 0xa3014314);
    StepI(b, c, d, a, m[13], 21, 0x4e0811a1);
    StepI(a, b, c, d, m[4], 6, 0xf7537e82);
    StepI(d, a, b, c, m[11], 10, 0xbd3af235);
    StepI(c, d, a, b, m[2], 15, 0x2ad7d2bb);
    StepI(b, c, d, a, m[9], 21, 0xeb86d391);

    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
}

void CSMd5::Update(const void* data, uint32_t length) {
    if (length == 0) return;
    const uint8_t* in = static_cast<const uint8_t*>(data);
    uint32_t used = (count_[0] >> 3) & 63;

    uint32_t bitsLow = length << 3;
    count_[0] += bitsLow;
    if (count_[0] < bitsLow) ++count_[1];
    count_[1] += length >> 29;

    uint32_t room = 64 - used;
    uint32_t i = 0;
    if (length >= room) {
        std::memcpy(block_ + used, in, room);
        Transform(block_);
        for (i = room; length - i >= 64; i += 64) Transform(in + i);
        used = 0;
    }
    std::memcpy(block_ + used, in + i, length - i);
}

void CSMd5::Final() {
    if (finalized_) return;
    uint8_t bits[8];
    StoreLe32(bits, count_[0]);
    StoreLe32(bits + 4, count_[1]);

    static const uint8_t kPadding[64] = {0x80};
    uint32_t used = (count_[0] >> 3) & 63;
    uint32_t padLength = used < 56 ? 56 - used : 120 - used;
    Update(kPadding, padLength);
    Update(bits, 8);

    for (int i = 0; i < 4; ++i) StoreLe32(digest_ + i * 4, state_[i]);
    finalized_ = true;
}

std::string CSMd5::HexDigest() {
    Final();
    static const char kHex[] = "0123456789abcdef";
    std::string text(32, '0');
    for (int i = 0; i < 16; ++i) {
        text[i * 2] = kHex[digest_[i] >> 4];
        text[i * 2 + 1] = kHex[digest_[i] & 15];
    }
    return text;
}
