// The reuse decision, the fetch through the engine, the finishing checks and the start
// of the installer, with installers built by the project.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "ControllerHarness.h"
#include "DownloadEvents.h"
#include "TestSupport.h"
#include "TextConv.h"

namespace {

const DWORD kOutcomeWait = 30000;

// Serves build as files/<agent>.exe and announces it (or `newest`) with its digest.
std::string Serve(ControllerCase& c, const std::string& build, bool tamper = false) {
    const std::string name = c.Agent() + ".exe";
    const std::string source = c.ProgramDir() + "\\..\\served.exe";
    if (tamper) {
        EXPECT_TRUE(MakeTampered(InstallerBuild(build), source));
    } else {
        EXPECT_TRUE(CopyFileTo(InstallerBuild(build), source));
    }
    EXPECT_TRUE(Service::PutFile(name, source));
    return name;
}

std::string ServedPath(ControllerCase& c) { return c.ProgramDir() + "\\..\\served.exe"; }

struct ReuseCase {
    const char* name;
    const char* local;  // build put in place as the installer, "" for none
    bool tamperLocal;
    bool clearArchive;
    const char* newest;
    const char* served;
    int upStyle;
    bool transfer;         // the installer is fetched anew
    int outcome;           // the event that ends the command
    const char* logLine;   // what BeNeedDown logs, or nullptr
};

const ReuseCase kReuse[] = {
    {"NoInstaller", "", false, false, "1.2.3.4", "v1.2.3.4", 1, true, EV_READY, nullptr},
    {"EqualStyle1", "v1.2.3.4", false, false, "1.2.3.4", "v1.2.3.4", 1, false, EV_READY, nullptr},
    {"EqualStyle2", "v1.2.3.4", false, false, "1.2.3.4", "v1.2.3.4", 2, false, EV_READY, nullptr},
    {"EqualStyle3", "v1.2.3.4", false, false, "1.2.3.4", "v1.2.3.4", 3, false, EV_READY, nullptr},
    {"NoVersion", "noversion", false, false, "1.2.3.4", "v1.2.3.4", 3, true, EV_READY,
     "local file's version is wrong"},
    {"Unsigned", "v1.2.3.4-unsigned", false, false, "1.2.3.4", "v1.2.3.4", 3, true, EV_READY,
     "local file's trust is invalid"},
    {"Tampered", "v1.2.3.4", true, false, "1.2.3.4", "v1.2.3.4", 3, true, EV_READY,
     "local file's trust is invalid"},
    {"SameVersionOtherDigest", "v1.2.3.4b", false, false, "1.2.3.4", "v1.2.3.4", 3, true, EV_READY,
     "ver same but md5 not"},
    {"TextOrderRanksLocalGreater", "v1.9.0.0", false, false, "1.10.0.0", "v1.10.0.0", 3, true, EV_READY,
     "new ver smaller than local ver"},
    {"OlderStyle1", "v1.2.3.4", false, false, "1.2.3.9", "v1.2.3.9", 1, true, EV_READY, nullptr},
    {"OlderStyle2", "v1.2.3.4", false, false, "1.2.3.9", "v1.2.3.9", 2, false, EV_LOCAL_DIFFERS, nullptr},
    {"OlderStyle3", "v1.2.3.4", false, false, "1.2.3.9", "v1.2.3.9", 3, false, EV_READY, nullptr},
    {"WithoutArchiveAttribute", "v1.2.3.4", false, true, "1.2.3.4", "v1.2.3.4", 1, true, EV_READY, nullptr},
};

class Reuse : public ::testing::TestWithParam<ReuseCase> {};

TEST_P(Reuse, DecidesBetweenTheFileOnDiskAndAFetch) {
    const ReuseCase& r = GetParam();
    ControllerCase c(std::string("reuse-") + r.name);
    const std::string served = Serve(c, r.served);
    ASSERT_TRUE(Service::SetReply(c.Agent(), VersionReply(r.newest, Service::FileUrl(served),
                                                          Md5Of(ServedPath(c)), r.upStyle)));
    std::string localBytes;
    if (*r.local != '\0') {
        if (r.tamperLocal) {
            ASSERT_TRUE(MakeTampered(InstallerBuild(r.local), c.InstallerFile()));
        } else {
            ASSERT_TRUE(CopyFileTo(InstallerBuild(r.local), c.InstallerFile()));
        }
        if (r.clearArchive && !ClearArchive(c.InstallerFile())) {
            GTEST_SKIP() << "this file system keeps no archive attribute (Wine)";
        }
        localBytes = ReadBytes(c.InstallerFile());
    }
    CDownloader& ctl = c.Start();
    ctl.DownTarnix();
    ASSERT_TRUE(c.Events().WaitForOutcome(kOutcomeWait)) << c.Events().Describe();
    c.Events().PumpFor(200);
    const std::vector<int> expected =
        r.transfer ? std::vector<int>{EV_FINISHED, r.outcome} : std::vector<int>{r.outcome};
    EXPECT_EQ(expected, c.Events().Codes()) << c.Events().Describe();
    EXPECT_EQ(r.outcome, c.Listener().LastEvent());
    if (r.transfer) {
        EXPECT_GE(Service::FileRequests(served), 2);  // the length, then the ranges
        EXPECT_EQ(ReadBytes(ServedPath(c)), ReadBytes(c.InstallerFile()));
        EXPECT_FALSE(PathIsThere(ctl.TempPath()));
    } else {
        EXPECT_EQ(0, Service::FileRequests(served));
        EXPECT_EQ(localBytes, ReadBytes(c.InstallerFile())) << "the file on disk stays";
    }
    c.Shutdown();
    const std::string log = c.LogText();
    if (r.logLine != nullptr) {
        EXPECT_EQ(1, c.LogLines("CDownloader::BeNeedDown", r.logLine)) << log;
    } else {
        EXPECT_EQ(std::string::npos, log.find("\tCDownloader::BeNeedDown\t")) << log;
    }
    // A reused installer sends no success report; a fetched one sends one.
    EXPECT_EQ(r.transfer ? 1 : 0, CountLines(Service::SuccessReports(c.Agent())));
    EXPECT_EQ("", Service::ErrorReports(c.Agent()));
}

INSTANTIATE_TEST_SUITE_P(Table, Reuse, ::testing::ValuesIn(kReuse),
                         [](const ::testing::TestParamInfo<ReuseCase>& info) { return info.param.name; });

// The user chose to fetch anew, but the file could not be deleted: the next command
// fetches without asking again.
TEST(ReuseAfterRemove, AFileThatCouldNotBeDeletedIsFetchedOver) {
    ControllerCase c("reuse-removed");
    const std::string served = Serve(c, "v1.2.3.9");
    ASSERT_TRUE(Service::SetReply(c.Agent(), VersionReply("1.2.3.9", Service::FileUrl(served),
                                                          Md5Of(ServedPath(c)), 2)));
    ASSERT_TRUE(CopyFileTo(InstallerBuild("v1.2.3.4"), c.InstallerFile()));
    CDownloader& ctl = c.Start();
    ctl.DownTarnix();
    ASSERT_TRUE(c.Events().WaitForOutcome(kOutcomeWait));
    ASSERT_EQ(std::vector<int>{EV_LOCAL_DIFFERS}, c.Events().Codes());
    {
        // Held open without delete sharing, so the deletion fails.
        HANDLE held = CreateFileW(Utf8ToWide(c.InstallerFile()).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, held);
        ctl.RemoveInstaller();
        CloseHandle(held);
    }
    ASSERT_TRUE(PathIsThere(c.InstallerFile()));
    EXPECT_TRUE(ctl.InstallerRemoved());
    ctl.Cancel();
    ctl.DownTarnix();
    ASSERT_TRUE(c.Events().WaitForOutcome(kOutcomeWait)) << c.Events().Describe();
    EXPECT_EQ((std::vector<int>{EV_LOCAL_DIFFERS, EV_FINISHED, EV_READY}), c.Events().Codes());
    EXPECT_FALSE(ctl.InstallerRemoved());
    EXPECT_EQ(ReadBytes(ServedPath(c)), ReadBytes(c.InstallerFile()));
}

struct FinishCase {
    const char* name;
    const char* served;
    bool tamper;
    const char* newest;
    bool wrongDigest;
    int outcome;
    std::vector<const char*> lines;  // DownFinished's log lines, in order
    std::vector<std::pair<int, const char*>> reports;  // error type and version sent
};

const FinishCase kFinish[] = {
    {"VersionUnreadable", "noversion", false, "1.2.3.4", false, EV_FAILED,
     {"get local file's version faile"}, {{3, "1.2.3.4"}}},
    {"Unsigned", "v1.2.3.4-unsigned", false, "1.2.3.4", false, EV_FAILED,
     {"local file's trust is invalid"}, {{4, "1.2.3.4"}}},
    {"Tampered", "v1.2.3.4", true, "1.2.3.4", false, EV_FAILED, {"local file's trust is invalid"}, {{4, "1.2.3.4"}}},
    {"NewerThanAnnounced", "v1.9.0.0", false, "1.10.0.0", false, EV_FAILED,
     {"local ver bigger than newest"}, {{5, "1.9.0.0"}}},
    {"OlderThanAnnounced", "v1.2.3.4", false, "1.2.3.9", false, EV_READY,
     {"local ver smaller than newest", "Operator cache"}, {{10, "1.2.3.4"}, {6, "1.2.3.4"}}},
    {"DigestDiffers", "v1.2.3.4", false, "1.2.3.4", true, EV_FAILED,
     {"local file's md5 not equal remote's"}, {{7, "1.2.3.4"}}},
};

// Each row runs in a process of its own: the reports are limited to one per process.
class Finish : public ::testing::TestWithParam<FinishCase> {};

TEST_P(Finish, ChecksTheDownloadAndReportsEachFailureOncePerProcess) {
    const FinishCase& f = GetParam();
    ControllerCase c(std::string("finish-") + f.name);
    const std::string served = Serve(c, f.served, f.tamper);
    const std::string digest = f.wrongDigest ? "0123456789abcdef0123456789abcdef" : Md5Of(ServedPath(c));
    ASSERT_TRUE(Service::SetReply(c.Agent(), VersionReply(f.newest, Service::FileUrl(served), digest, 1)));
    CDownloader& ctl = c.Start();
    for (int round = 1; round <= 2; ++round) {
        ctl.DownTarnix();
        ASSERT_TRUE(c.Events().WaitForOutcome(kOutcomeWait)) << c.Events().Describe();
        EXPECT_EQ(f.outcome, c.Events().Codes().back()) << c.Events().Describe();
        EXPECT_EQ(f.outcome == EV_READY, PathIsThere(c.InstallerFile())) << "round " << round;
    }
    EXPECT_EQ(2, c.Events().Count(EV_FINISHED)) << c.Events().Describe();
    c.Shutdown();
    const std::string log = c.LogText();
    size_t from = 0;
    for (const char* line : f.lines) {
        EXPECT_EQ(2, c.LogLines("CDownloader::DownFinished", line)) << line;
        const size_t at = log.find(std::string("\tCDownloader::DownFinished\t") + line + "\r\n", from);
        EXPECT_NE(std::string::npos, at) << "out of order: " << line;
        from = at;
    }
    const std::string errors = Service::ErrorReports(c.Agent());
    EXPECT_EQ(static_cast<int>(f.reports.size()), CountLines(errors)) << errors;
    for (const auto& report : f.reports) {
        const std::string body = "agent_id=" + c.Agent() + "&download_version=1.0.0.1&package_version=" +
                                 report.second + "&error_type=" + std::to_string(report.first) + "&submit_date=";
        EXPECT_EQ(1, CountOccurrences(errors, body)) << errors;
    }
    const int accepted = f.outcome == EV_READY ? 2 : 0;
    EXPECT_EQ(accepted, CountLines(Service::SuccessReports(c.Agent())));
}

INSTANTIATE_TEST_SUITE_P(Rows, Finish, ::testing::ValuesIn(kFinish),
                         [](const ::testing::TestParamInfo<FinishCase>& info) { return info.param.name; });

TEST(FetchRetries, FiveAttemptsThenOneReportPerProcess) {
    ControllerCase c("fetch-retry");
    const std::string served = Serve(c, "v1.2.3.4");
    ASSERT_TRUE(Service::SetReply(c.Agent(), VersionReply("1.2.3.4", Service::FileUrl(served, "nolength=1"),
                                                          Md5Of(ServedPath(c)), 1)));
    CDownloader& ctl = c.Start();
    for (int round = 1; round <= 2; ++round) {
        ctl.DownTarnix();
        ASSERT_TRUE(c.Events().WaitForOutcome(kOutcomeWait)) << c.Events().Describe();
        EXPECT_EQ(EV_FAILED, c.Events().Codes().back());
        EXPECT_FALSE(ctl.IsTaskRunning(ctl.CurrentId())) << "the command is removed";
        EXPECT_EQ(5 * round, Service::FileRequests(served));
    }
    c.Shutdown();
    EXPECT_EQ(2, c.LogLines("CDownloader::GetTarnix", "get tarnix retry over"));
    EXPECT_EQ(0u, Service::ErrorReports(c.Agent())
                      .find("agent_id=fetch-retry&download_version=1.0.0.1&package_version=1.2.3.4&error_type=1&submit_date="));
    EXPECT_EQ(1, CountLines(Service::ErrorReports(c.Agent())));
}

TEST(FinishStale, AFinishOfAnOlderCommandIsIgnored) {
    ControllerCase c("finish-stale");
    CDownloader& ctl = c.Start();
    ASSERT_TRUE(WriteBytes(ctl.TempPath(), "partial"));
    ctl.DownFinished(ctl.CurrentId() + 5);
    c.Events().PumpFor(200);
    EXPECT_TRUE(PathIsThere(ctl.TempPath()));
    EXPECT_FALSE(PathIsThere(c.InstallerFile()));
    EXPECT_TRUE(c.Events().Codes().empty());
}

TEST(HappyPath, FetchVerifyReportAndStartTheInstaller) {
    ControllerCase c("happy");
    const std::string served = Serve(c, "demo-installer");
    const std::string digest = Md5Of(ServedPath(c));
    const std::string size = std::to_string(ReadBytes(ServedPath(c)).size());
    // Upper case: digests compare without regard to case.
    std::string announced = digest;
    for (char& ch : announced) ch = static_cast<char>(toupper(static_cast<unsigned char>(ch)));
    ASSERT_TRUE(Service::SetReply(c.Agent(), VersionReply("3.5.0.1", Service::FileUrl(served), announced, 1)));
    CDownloader& ctl = c.Start();
    ctl.DownTarnix();
    ASSERT_TRUE(c.Events().WaitForOutcome(kOutcomeWait)) << c.Events().Describe();
    EXPECT_EQ((std::vector<int>{EV_FINISHED, EV_READY}), c.Events().Codes());
    EXPECT_EQ(EV_READY, c.Listener().LastEvent());
    EXPECT_EQ(ReadBytes(ServedPath(c)), ReadBytes(c.InstallerFile()));
    EXPECT_FALSE(PathIsThere(ctl.TempPath()));
    EXPECT_FALSE(PathIsThere(ctl.TempPath() + ".cfg"));
    EXPECT_EQ(c.ProgramDir() + "\\RUZadiDerod3.5.0.1.tmp", ctl.TempPath());
    EXPECT_EQ("agent_id=happy&use_time=0&sizes=" + size + "\n", Service::SuccessReports(c.Agent()));
    EXPECT_EQ("<?xml version='1.0' encoding='utf-8' ?>\n<HistoryInfo>\n\t<Item ver=\"3.5.0.1\" md5=\"" + announced +
                  "\"/>\n</HistoryInfo>\n\n",
              ReadBytes(c.DataDir() + "\\Tarnix\\Downloader\\hi.cfg"));

    // The installer starts with the user's default environment, not ours.
    SetEnvironmentVariableW(L"TARNIX_LAUNCHER_ONLY", L"1");
    const std::string record = c.ProgramDir() + "\\demo-installer-ran.txt";
    EXPECT_TRUE(ctl.Install(1));
    ASSERT_TRUE(c.Events().PumpUntil([&] { return CountOccurrences(ReadBytes(record), "ran\r\n") == 1; }, 15000));
    SetEnvironmentVariableW(L"TARNIX_LAUNCHER_ONLY", nullptr);
    const std::string ran = ReadBytes(record);
    EXPECT_NE(std::string::npos, ran.find("RUZadiDerod_happy.exe")) << ran;
    EXPECT_NE(std::string::npos, ran.find("TARNIX_LAUNCHER_ONLY=(absent)")) << ran;

    // Installing without updating reads the version and reports it.
    EXPECT_TRUE(ctl.Install(2));
    ASSERT_TRUE(c.Events().PumpUntil([&] { return CountOccurrences(ReadBytes(record), "ran\r\n") == 2; }, 15000));
    EXPECT_EQ(0u, Service::ErrorReports(c.Agent())
                      .find("agent_id=happy&download_version=1.0.0.1&package_version=3.5.0.1&error_type=9&submit_date="));
    c.Shutdown();
    EXPECT_EQ(1, c.LogLines("CDownloader::Install", "user select model,no update,direct install"));
    EXPECT_EQ(2, c.LogLines("CDownloader::ReadDownFileVersion", "downed file version is 3.5.0.1"));
    EXPECT_EQ(1, c.LogLines("CDownloader::Post_Right", "[url]:http://" + Service::Host() +
                                                         "/download_device_stat.php [post]:agent_id=happy&use_time=0&sizes=" + size));
}

}  // namespace
