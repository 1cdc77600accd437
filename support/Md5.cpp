#include "Md5.h"

#include <cstring>

namespace {

constexpr uint32_t kShift[64] = {
    7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
    5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
    4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
    6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21,
};

// floor(abs(sin(i + 1)) * 2^32)
constexpr uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

inline uint32_t RotateLeft(uint32_t x, uint32_t n) { return (x << n) | (x >> (32 - n)); }

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
    for (int i = 0; i < 64; ++i) {
        uint32_t f;
        int g;
        if (i < 16) {
            f = (b & c) | (~b & d);
            g = i;
        } else if (i < 32) {
            f = (d & b) | (~d & c);
            g = (5 * i + 1) & 15;
        } else if (i < 48) {
            f = b ^ c ^ d;
            g = (3 * i + 5) & 15;
        } else {
            f = c ^ (b | ~d);
            g = (7 * i) & 15;
        }
        uint32_t t = d;
        d = c;
        c = b;
        b = b + RotateLeft(a + f + kSine[i] + m[g], kShift[i]);
        a = t;
    }
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
