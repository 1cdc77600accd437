#pragma once
// AppVersion: four numbers written "%d.%d.%d.%d" and ordered by that text, byte
// by byte (so 1.9.0.0 sorts after 1.10.0.0). No platform calls.
#include <cstdint>
#include <string>

struct AppVersion {
    int32_t major = 0;
    int32_t minor = 0;
    int32_t build = 0;
    int32_t revision = 0;

    std::string ToString() const;
    // True when other's text sorts strictly before this one's.
    bool IsGreaterThan(const AppVersion& other) const;
    bool operator==(const AppVersion& o) const {
        return major == o.major && minor == o.minor && build == o.build && revision == o.revision;
    }
    bool operator!=(const AppVersion& o) const { return !(*this == o); }
    // True when the first three numbers are all zero: no version was read.
    bool IsUnset() const { return major == 0 && minor == 0 && build == 0; }
};
