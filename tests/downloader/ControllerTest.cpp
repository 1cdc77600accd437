// The controller's commands, its site identity, the version request and the
// statistics reports, against the local service.
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "ControllerHarness.h"
#include "DownloadEvents.h"
#include "TestSupport.h"

namespace {

const char kCtl[] = "CDownloader::Get_Site_Config";

// A reply that the controller accepts, with a signed installer of that version already
// in the program folder, so that a command ends in EV_READY without a transfer.
void PrepareReadyInstaller(ControllerCase& c) {
    const std::string local = InstallerBuild("v1.2.3.4");
    ASSERT_TRUE(CopyFileTo(local, c.InstallerFile()));
    ASSERT_TRUE(Service::SetReply(c.Agent(), VersionReply("1.2.3.4", Service::FileUrl("none"), Md5Of(local), 1)));
}

TEST(Commands, OnlyTheNewestOfTwoCommandsRunsAndAValidReplyIsFetchedOnce) {
    ControllerCase c("cmd-two");
    PrepareReadyInstaller(c);
    CDownloader& ctl = c.Start();
    ctl.DownTarnix();
    ctl.DownTarnix();
    EXPECT_EQ(2, ctl.CurrentId());
    ASSERT_TRUE(c.Events().WaitForOutcome(10000)) << c.Events().Describe();
    c.Events().PumpFor(300);
    EXPECT_EQ(std::vector<int>{EV_READY}, c.Events().Codes());
    EXPECT_EQ(EV_READY, c.Listener().LastEvent());
    EXPECT_EQ(1, Service::VersionRequests(c.Agent()));

    // After a valid reply a new command goes straight to the download step.
    ctl.DownTarnix();
    ASSERT_TRUE(c.Events().WaitForOutcome(10000)) << c.Events().Describe();
    EXPECT_EQ(2, c.Events().Count(EV_READY));
    EXPECT_EQ(1, Service::VersionRequests(c.Agent()));
    c.Shutdown();
    EXPECT_EQ(1, c.LogLines("CDownloader::DownTarnix", "new task---1\r\n"));
    EXPECT_EQ(1, c.LogLines("CDownloader::DownTarnix", "new task---3\r\n"));
    EXPECT_EQ(2, c.LogLines("CDownloader::Save_App_Ver", "ver is 1.2.3.4"));
}

TEST(Commands, CancelBeforeTheWorkerTakesTheCommandRunsNothing) {
    ControllerCase c("cmd-cancel");
    PrepareReadyInstaller(c);
    CDownloader& ctl = c.Start();
    ctl.DownTarnix();
    ctl.Cancel();
    c.Events().PumpFor(600);
    EXPECT_TRUE(c.Events().Codes().empty()) << c.Events().Describe();
    EXPECT_EQ(0, Service::VersionRequests(c.Agent()));
    c.Shutdown();
    EXPECT_EQ(1, c.LogLines("CDownloader::Cancel", "user cancel---1\r\n"));
}

TEST(Commands, ExitDuringARetryPauseEndsAtOnceWithoutAnEvent) {
    ControllerCase c("cmd-exit-pause");  // no reply: the service answers 404
    CDownloader& ctl = c.Start();
    ctl.DownTarnix();
    ASSERT_TRUE(c.Events().PumpUntil([&] { return Service::VersionRequests(c.Agent()) >= 1; }, 5000));
    c.Events().PumpFor(200);
    const DWORD before = GetTickCount();
    ctl.Exit(1);
    EXPECT_LT(GetTickCount() - before, 700u) << "the pause must end on the stop";
    c.Events().PumpFor(300);
    EXPECT_TRUE(c.Events().Codes().empty()) << c.Events().Describe();
    EXPECT_EQ(-1, c.Listener().LastEvent());
    EXPECT_EQ(1, Service::VersionRequests(c.Agent()));
    c.Shutdown();
    EXPECT_EQ(1, c.LogLines(kCtl, "parse config of site fail!"));
    EXPECT_EQ(0, c.LogLines(kCtl, "get site config retry over"));
    EXPECT_EQ(1, c.LogLines("CDownloader::Exit", "good bye"));
}

TEST(Commands, SecondExitChangesNothing) {
    ControllerCase c("cmd-exit-twice");
    CDownloader& ctl = c.Start();
    ctl.Exit(1);
    const std::string after = c.LogText();
    ctl.Exit(1);
    ctl.Log("CDownloader::Exit", "after the log is gone");
    EXPECT_EQ(after, c.LogText());
    // The order of the last lines of a run.
    const size_t exitAt = after.find("\tCDownloader::Exit\tuser exit\r\n");
    const size_t releaseAt = after.find("\tCDownloader::RegisterListener\trelease listener\r\n");
    const size_t byeAt = after.find("\tCDownloader::Exit\tgood bye\r\n");
    ASSERT_NE(std::string::npos, exitAt);
    EXPECT_LT(exitAt, releaseAt);
    EXPECT_LT(releaseAt, byeAt);
    EXPECT_EQ(1, c.LogLines("CDownloader::RegisterListener", "register listener"));
    c.Shutdown();
    EXPECT_EQ(after, c.LogText());
}

TEST(Commands, RemoveInstallerMarksTheFileRemovedEvenWhenThereIsNone) {
    ControllerCase c("cmd-remove");
    CDownloader& ctl = c.Start();
    EXPECT_FALSE(ctl.InstallerRemoved());
    ctl.RemoveInstaller();
    EXPECT_TRUE(ctl.InstallerRemoved());
}

struct SiteCase {
    const char* name;
    const char* text;  // nullptr: no site.cfg
    bool clearArchive;
    const char* id;
};

const SiteCase kSites[] = {
    {"Valid", "<Site><ID value=\"site-valid\"/></Site>", false, "site-valid"},
    {"Absent", nullptr, false, "4501561"},
    {"WithoutArchiveAttribute", "<Site><ID value=\"x\"/></Site>", true, "4501561"},
    {"NotXml", "<Site><ID value=\"x\"", false, "4501561"},
    {"IdWithoutAttribute", "<Site><ID>x</ID></Site>", false, "4501561"},
    {"EmptyValue", "<Site><ID value=\"\"/></Site>", false, ""},
};

class SiteFile : public ::testing::TestWithParam<SiteCase> {};

TEST_P(SiteFile, SetsTheIdentityAndTheInstallerName) {
    const SiteCase& s = GetParam();
    ControllerCase c(std::string("site-") + s.name, s.text);
    if (s.clearArchive && !ClearArchive(c.ProgramDir() + "\\site.cfg")) {
        GTEST_SKIP() << "this file system keeps no archive attribute (Wine)";
    }
    CDownloader& ctl = c.Start();
    EXPECT_EQ(s.id, ctl.SiteId());
    EXPECT_EQ(c.ProgramDir() + "\\RUZadiDerod_" + s.id + ".exe", ctl.InstallerPath());
    c.Shutdown();
    const bool read = std::string(s.id) != "4501561";
    EXPECT_EQ(read ? 1 : 0, c.LogLines("CDownloader::GetSiteID", std::string("site_id = ") + s.id));
}

INSTANTIATE_TEST_SUITE_P(Variants, SiteFile, ::testing::ValuesIn(kSites),
                         [](const ::testing::TestParamInfo<SiteCase>& info) { return info.param.name; });

TEST(SiteFileEmptyValue, TheRequestEndsInAnEmptyAgentId) {
    ControllerCase c("site-empty-request", "<Site><ID v=\"\"/></Site>");
    CDownloader& ctl = c.Start();
    ctl.DownTarnix();
    ASSERT_TRUE(c.Events().PumpUntil([&] { return Service::VersionRequests("") >= 1; }, 5000));
    EXPECT_NE(std::string::npos,
              ReadBytes(Service::Root() + "\\ver\\.requests").find("GET /get_download_device_xml.php?agent_id= HTTP/1.0"));
}

TEST(SiteFilePaths, AnIdentityWithPathCharactersStaysInTheProgramFolder) {
    ControllerCase c("site-escape", "<Site><ID value=\"..\\..\\evil/x:y\"/></Site>");
    CDownloader& ctl = c.Start();
    EXPECT_EQ("..\\..\\evil/x:y", ctl.SiteId());  // sent as it stands
    EXPECT_EQ(c.ProgramDir() + "\\RUZadiDerod_.._.._evil_x_y.exe", ctl.InstallerPath());
}

// Five failed attempts about a second apart, a failure report each series, and a later
// command that starts a fresh series.
TEST(VersionRetries, FiveAttemptsThenTheFailureAndAFreshSeriesOnTheNextCommand) {
    ControllerCase c("retry-version");
    ASSERT_TRUE(Service::SetReply(c.Agent(), VersionReply("1.0.0.0", "u", "m", 4)));  // upStyle out of range
    CDownloader& ctl = c.Start();
    const DWORD start = GetTickCount();
    ctl.DownTarnix();
    ASSERT_TRUE(c.Events().WaitForOutcome(15000)) << c.Events().Describe();
    const DWORD took = GetTickCount() - start;
    EXPECT_GE(took, 4500u);
    EXPECT_LT(took, 9000u);
    EXPECT_EQ(std::vector<int>{EV_FAILED}, c.Events().Codes());
    EXPECT_EQ(5, Service::VersionRequests(c.Agent()));
    EXPECT_FALSE(ctl.SiteConfigLoaded());

    ctl.DownTarnix();
    ASSERT_TRUE(c.Events().WaitForOutcome(15000)) << c.Events().Describe();
    EXPECT_EQ(10, Service::VersionRequests(c.Agent()));
    c.Shutdown();
    EXPECT_EQ(10, c.LogLines(kCtl, "parse config of site fail!"));
    EXPECT_EQ(2, c.LogLines(kCtl, "get site config retry over"));
    const std::string reports = Service::ErrorReports(c.Agent());
    EXPECT_EQ(2, CountOccurrences(reports, "agent_id=retry-version&download_version=1.0.0.1&package_version=0.0.0.0&error_type=2&submit_date="))
        << reports;
}

// With the service unreachable: every attempt fails, and the report is logged with its
// empty reply and dropped.
TEST(VersionRetries, UnreachableServiceFailsAndLogsTheDroppedReport) {
    ControllerCase c("retry-refused", "", Service::RefusedHost());
    CDownloader& ctl = c.Start();
    ctl.DownTarnix();
    ASSERT_TRUE(c.Events().WaitForOutcome(20000)) << c.Events().Describe();
    EXPECT_EQ(std::vector<int>{EV_FAILED}, c.Events().Codes());
    EXPECT_EQ(EV_FAILED, c.Listener().LastEvent());
    c.Shutdown();
    EXPECT_EQ(5, c.LogLines(kCtl, "get lobby info faile"));
    const std::string log = c.LogText();
    const std::string head = "\tCDownloader::Post_Error\t[url]:http://" + Service::RefusedHost() +
                             "/download_device_error_stat.php [post]:agent_id=retry-refused&download_version=1.0.0.1"
                             "&package_version=0.0.0.0&error_type=2&submit_date=";
    const size_t at = log.find(head);
    ASSERT_NE(std::string::npos, at) << log;
    const size_t end = log.find("\r\n", at);
    const std::string tail = log.substr(at + head.size(), end - at - head.size());
    EXPECT_NE(std::string::npos, tail.find(" [ret-err]:[]")) << tail;
    EXPECT_EQ(tail.size(), tail.find(" [ret-err]:[]") + 13) << tail;
}

TEST(Statistics, ReportsReachTheServiceExactly) {
    ControllerCase c("stats-exact");
    CDownloader& ctl = c.Start();
    EXPECT_TRUE(ctl.Post_Right());
    EXPECT_TRUE(ctl.Post_Error(8, "3.5.0.1"));
    EXPECT_EQ("agent_id=stats-exact&use_time=0&sizes=0\n", Service::SuccessReports(c.Agent()));
    const std::string errors = Service::ErrorReports(c.Agent());
    const std::string head = "agent_id=stats-exact&download_version=1.0.0.1&package_version=3.5.0.1&error_type=8&submit_date=";
    ASSERT_EQ(0u, errors.find(head)) << errors;
    // Local wall-clock time read as if no daylight saving applied: at most an hour ahead.
    const long long submitted = std::stoll(errors.substr(head.size()));
    const long long now = static_cast<long long>(std::time(nullptr));
    const bool close = (submitted - now >= -5 && submitted - now <= 5) ||
                       (submitted - now >= 3595 && submitted - now <= 3605);
    EXPECT_TRUE(close) << submitted << " vs " << now;
    c.Shutdown();
    EXPECT_EQ(1, c.LogLines("CDownloader::Post_Right", "[url]:http://" + Service::Host() +
                                                         "/download_device_stat.php [post]:agent_id=stats-exact&use_time=0&sizes=0"));
}

TEST(Statistics, ExitWithModeTwoReportsTheBreakOff) {
    ControllerCase c("stats-exit");
    PrepareReadyInstaller(c);
    CDownloader& ctl = c.Start();
    ctl.DownTarnix();
    ASSERT_TRUE(c.Events().WaitForOutcome(10000)) << c.Events().Describe();
    ctl.Exit(2);
    EXPECT_EQ(0u, Service::ErrorReports(c.Agent())
                      .find("agent_id=stats-exit&download_version=1.0.0.1&package_version=1.2.3.4&error_type=8&submit_date="));
    EXPECT_EQ(1, CountLines(Service::ErrorReports(c.Agent())));
}

TEST(Statistics, UnreachableServiceIsLoggedWithTheEmptyReply) {
    ControllerCase c("stats-down", "", Service::RefusedHost());
    CDownloader& ctl = c.Start();
    EXPECT_FALSE(ctl.Post_Right());
    c.Shutdown();
    EXPECT_EQ(1, c.LogLines("CDownloader::Post_Right", "[url]:http://" + Service::RefusedHost() +
                                                         "/download_device_stat.php [post]:agent_id=stats-down&use_time=0&sizes=0 [ret-err]:[]"));
}

}  // namespace
