#pragma once
// Scratch folders for the support tests.
#include <windows.h>

#include <string>

#include "TestCommon.h"
#include "TextConv.h"

// A fresh folder under the temp folder whose name holds blanks and Chinese
// characters; it and everything in it is deleted at the end of the test.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // UTF-8 path without a trailing backslash.
    const std::string& Path() const { return path_; }
    std::string Join(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};
