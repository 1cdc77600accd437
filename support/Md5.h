#pragma once
// CSMd5: the RFC 1321 digest, fed incrementally. No platform calls.
#include <cstdint>
#include <string>

class CSMd5 {
public:
    CSMd5();
    virtual ~CSMd5() = default;

    void Update(const void* data, uint32_t length);
    void Final();
    // 32 lower-case hex digits; finalizes first if needed.
    std::string HexDigest();

private:
    void Transform(const uint8_t block[64]);

    uint32_t count_[2];  // bits absorbed, low word first
    uint32_t state_[4];
    uint8_t block_[64];
    bool finalized_;
    uint8_t digest_[16];
};
