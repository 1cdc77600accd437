#include "Task.h"

#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstring>

std::string FormatTaskId(uint32_t data1, uint16_t data2, uint16_t data3, const uint8_t data4[8]) {
    char text[64] = {};
    snprintf(text, sizeof(text), "%08X-%04X-%04x-%02X%02X-%02X%02X%02X%02X%02X%02X",
             static_cast<unsigned>(data1), static_cast<unsigned>(data2),
             static_cast<unsigned>(data3), data4[0], data4[1], data4[2], data4[3], data4[4],
             data4[5], data4[6], data4[7]);
    return text;
}

bool ITask::GenerateId() {
    GUID guid = {};
    CoCreateGuid(&guid);
    std::string text = FormatTaskId(guid.Data1, guid.Data2, guid.Data3, guid.Data4);
    memset(id_, 0, sizeof(id_));
    memcpy(id_, text.data(), text.size() < sizeof(id_) ? text.size() : sizeof(id_) - 1);
    state_ = 4;
    return true;
}

bool ITask::HasId(const char* text) const { return text && strcmp(text, id_) == 0; }

void ITask::PrintId() const { printf("%s\r\n", id_); }
