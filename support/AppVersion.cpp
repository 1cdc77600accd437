#include "AppVersion.h"

#include <cstdio>
#include <cstring>

std::string AppVersion::ToString() const {
    char text[128] = {};
    snprintf(text, sizeof(text), "%d.%d.%d.%d", static_cast<int>(major), static_cast<int>(minor),
             static_cast<int>(build), static_cast<int>(revision));
    return text;
}

bool AppVersion::IsGreaterThan(const AppVersion& other) const {
    // std::string compares its chars as unsigned bytes (char_traits<char>::lt).
    return other.ToString() < ToString();
}
