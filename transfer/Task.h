#pragma once
// ITask: a unit of engine work with a text id, the download it belongs to and the pump
// thread that receives its messages.
#include <cstdint>
#include <string>

class ITask {
public:
    ITask() = default;
    virtual ~ITask() = default;
    ITask(const ITask&) = delete;
    ITask& operator=(const ITask&) = delete;

    // True when the work is done (or stopped on request), false to be tried again.
    virtual bool Run() = 0;
    // A fresh GUID as "XXXXXXXX-XXXX-xxxx-XXXX-XXXXXXXXXXXX" (third group lower case).
    virtual bool GenerateId();
    virtual bool HasId(const char* text) const;
    virtual const char* GetId() const { return id_; }
    virtual void PrintId() const;
    virtual int32_t GetState() const { return state_; }
    virtual int32_t GetDownloadId() const { return downloadId_; }
    virtual void SetPumpThreadId(uint32_t threadId) { pumpThreadId_ = threadId; }

protected:
    char id_[64] = {};
    int32_t state_ = 0;
    int32_t downloadId_ = 0;
    uint32_t pumpThreadId_ = 0;
};

// The id text of a GUID given by its parts; pure so its layout can be checked exactly.
std::string FormatTaskId(uint32_t data1, uint16_t data2, uint16_t data3, const uint8_t data4[8]);
