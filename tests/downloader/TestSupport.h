#pragma once
// Scratch folders, file bytes and the local service's folders for the controller tests.
#include <windows.h>

#include <string>

#include "TestCommon.h"

// A fresh, empty folder beside the test program, named after the running test;
// left in place afterwards so that a failure can be inspected.
std::string MakeScratchFolder(const std::string& name);

// Clears the archive attribute; false where the file system keeps none (Wine keeps
// only hidden and system, so there every file looks archived).
bool ClearArchive(const std::string& path);

// The local service as the test fixture started it.
struct Service {
    static std::string Root();  // TARNIX_SERVICE_ROOT
    static std::string Host();  // 127.0.0.1:TARNIX_SERVICE_PORT
    static std::string RefusedHost();
    static std::string FileUrl(const std::string& name, const std::string& query = "");
    // Forgets the agent's reply, request log and received reports.
    static void ResetAgent(const std::string& agent);
    // ver/<agent>.xml, the reply to that agent's version request.
    static bool SetReply(const std::string& agent, const std::string& xml);
    static int VersionRequests(const std::string& agent);
    // files/<name>, with its request log cleared.
    static bool PutFile(const std::string& name, const std::string& source);
    static int FileRequests(const std::string& name);
    static std::string SuccessReports(const std::string& agent);
    static std::string ErrorReports(const std::string& agent);
};

int CountLines(const std::string& text);
int CountOccurrences(const std::string& text, const std::string& what);
