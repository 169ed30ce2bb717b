// The whole uninstall through the real window, driven as a person drives it:
// xdotool clicks and keys at the layout's coordinates on the test display,
// screenshots to see which page is shown and how far the bar has come. The
// installation is laid out as the installer leaves it, the browser runs, and
// the development service takes the uninstall report.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <thread>

#include "dev_service.h"
#include "text_convert.h"
#include "uninst_window_fixture.h"

namespace {

using namespace tavrin;
using namespace tavrin::test;
using namespace std::chrono_literals;
namespace layout = uninst_layout;

const std::string kReportPath = "/app/count/uninstall/";

// Frames of the status label and the progress bar, taken on the host one
// after the other (about ten a second) until stopped.
class ProgressFilm {
 public:
  explicit ProgressFilm(POINT origin)
      : m_area{origin.x + layout::kProgressBar.left, origin.y + layout::kStatusLabel.top - 4,
               origin.x + layout::kProgressBar.right, origin.y + layout::kProgressBar.bottom + 1},
        m_job(
            "i=0\n"
            "while [ ! -e \"$STOP\" ] && [ $i -lt 400 ]; do\n"
            "  import -window root -crop " +
            std::to_string(m_area.right - m_area.left) + "x" + std::to_string(m_area.bottom - m_area.top) + "+" +
            std::to_string(m_area.left) + "+" + std::to_string(m_area.top) +
            " +repage -depth 8 rgb:\"$DIR/frame.new\" && mv \"$DIR/frame.new\" \"$DIR/frame-$(printf %04d $i)\"\n"
            "  i=$((i+1))\n"
            "done\n") {}

  bool started() const { return m_job.started(); }
  std::vector<ScreenShot> stop() {
    m_job.requestStop();
    m_job.wait(20s);
    std::vector<ScreenShot> frames;
    for (int i = 0;; ++i) {
      char name[32];
      std::snprintf(name, sizeof(name), "\\frame-%04d", i);
      ScreenShot frame = ScreenShot::fromRawFile(m_job.windowsFolder() + name, m_area);
      if (!frame.valid()) break;
      frames.push_back(std::move(frame));
    }
    return frames;
  }

 private:
  RECT m_area;
  HostJob m_job;
};

class UninstallThroughTheWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_product.ready());
    ASSERT_TRUE(m_service.running());
    ASSERT_TRUE(m_product.record().setString("version_str", "1.2.3.4"));
    ASSERT_TRUE(m_product.record().setString("channel", "c7"));
    m_browser = startProgram("\"" + m_product.file("tavrin.exe") + "\"");
    ASSERT_TRUE(m_browser);
    ASSERT_TRUE(m_standIns.waitForRuns(1, 20s));
  }

  std::wstring title() const { return m_product.windowTitle(); }

  // The bar follows the records, the label keeps "等待卸载...".
  void expectProgressFilm(const std::vector<ScreenShot>& frames, POINT origin, bool clearUserData) {
    std::vector<int> allowed = {0, 30, 360, 420, 480, 540, 600};
    if (clearUserData) allowed.push_back(180);
    const RECT status{origin.x + layout::kStatusLabel.left, origin.y + layout::kStatusLabel.top,
                      origin.x + layout::kStatusLabel.right, origin.y + layout::kStatusLabel.bottom};
    std::vector<int> fills;
    std::vector<std::vector<uint8_t>> labels;
    for (const ScreenShot& frame : frames) {
      if (pageIn(frame, origin) != Page::Progress) continue;
      fills.push_back(progressFill(frame, origin));
      labels.push_back(frame.region(status));
    }
    std::string seen;
    for (int fill : fills) seen += std::to_string(fill) + " ";
    RecordProperty("progress_fills", seen);
    std::printf("progress fills over %zu frames: %s\n", frames.size(), seen.c_str());
    ASSERT_GE(fills.size(), 3u) << "frames of the progress page: " << fills.size() << " of " << frames.size();
    std::set<int> distinct;
    int changedLabelFrame = -1;
    for (size_t i = 0; i < fills.size(); ++i) {
      bool known =
          std::any_of(allowed.begin(), allowed.end(), [&](int value) { return std::abs(value - fills[i]) <= 4; });
      EXPECT_TRUE(known) << "a fill of " << fills[i] << " pixels is no step of the engine";
      if (i > 0) {
        EXPECT_GE(fills[i], fills[i - 1]) << "the bar went back";
      }
      distinct.insert(fills[i] / 10);
      if (changedLabelFrame < 0 && labels[i] != labels[0]) changedLabelFrame = static_cast<int>(i);
    }
    EXPECT_EQ(changedLabelFrame, -1) << "the status label changed while the bar moved";
    EXPECT_GE(distinct.size(), 3u) << "the bar did not visibly move";
    EXPECT_TRUE(labels[0] == m_reference) << "the label does not read 等待卸载...";
  }

  void expectOneReport(const std::string& mac) {
    ASSERT_TRUE(m_service.waitForRequestsTo(kReportPath, 1, 20s));
    std::this_thread::sleep_for(500ms);
    std::vector<nlohmann::json> reports = m_service.requestsTo(kReportPath);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0]["method"], "Post") << "WinHTTP sends the verb as given";
    EXPECT_EQ(reports[0]["report_text"],
              "{\"b\":\"vensa\",\"channel\":\"c7\",\"mac\":\"" + mac + "\",\"version\":\"1.2.3.4\"}\n");
  }

  void expectBrowserEnded() {
    ASSERT_EQ(::WaitForSingleObject(m_browser.get(), 10000), WAIT_OBJECT_0);
    DWORD code = 99;
    ::GetExitCodeProcess(m_browser.get(), &code);
    EXPECT_EQ(code, 0u) << "ended by the uninstaller";
  }

  void expectProductRemovedButTheFolder() {
    EXPECT_FALSE(InstallRecord::keyExists());
    EXPECT_FALSE(keyExists(kUninstallEntry));
    for (const std::string& link : m_product.shortcuts()) EXPECT_FALSE(pathExists(link)) << link;
    EXPECT_FALSE(pathExists(m_product.startMenuGroup()));
  }

  const std::string m_appName = "塔文测试 " + std::to_string(::GetCurrentProcessId());
  const std::string m_iniMachineId = "M-ini-" + std::to_string(::GetCurrentProcessId());
  // Made before anything else is set up here: the window it draws is gone again.
  const std::vector<uint8_t> m_reference = referenceStatusPixels();
  ScopedEnv m_lifetime{"TAVRIN_STANDIN_LIFETIME", "wait"};
  StandInLog m_standIns;
  InstalledProduct m_product{m_appName, m_iniMachineId};
  DevService m_service;
  ScopedEnv m_host{"TAVRIN_SERVICE_HOST", m_service.hostAndPort().c_str()};
  PrivateTemp m_temp;
  UniqueHandle m_browser;
};

TEST_F(UninstallThroughTheWindow, KeepsTheUserDataAndRemovesItselfAfterBtnOver) {
  ASSERT_FALSE(m_reference.empty());
  RunningUninstaller uninstaller(m_product.uninstaller(), title());
  ASSERT_TRUE(uninstaller.windowUp());
  EXPECT_EQ(windowsTitled(title()).size(), 1u);

  ASSERT_TRUE(uninstaller.press("Escape"));
  std::this_thread::sleep_for(1s);
  ASSERT_TRUE(uninstaller.running()) << "Escape closed the confirmation page";
  movePointer(0, 0);
  EXPECT_EQ(uninstaller.shot("page0-confirm.png").valid(), true);
  ASSERT_EQ(uninstaller.page(), Page::Confirm);
  EXPECT_TRUE(pathExists(m_product.file("tavrin.exe"))) << "nothing happens before the click";

  ProgressFilm film(uninstaller.origin());
  ASSERT_TRUE(film.started());
  ASSERT_TRUE(uninstaller.click(layout::kUninstallButton));
  movePointer(0, 0);
  std::this_thread::sleep_for(400ms);
  ScreenShot progress = uninstaller.shot("page1-progress.png");
  EXPECT_EQ(pageIn(progress, uninstaller.origin()), Page::Progress);
  ASSERT_TRUE(uninstaller.press("Escape"));
  ASSERT_TRUE(uninstaller.waitForPage(Page::Finish, 60s));
  std::vector<ScreenShot> frames = film.stop();
  expectProgressFilm(frames, uninstaller.origin(), false);

  movePointer(0, 0);
  EXPECT_TRUE(uninstaller.shot("page2-finish.png").valid());
  ASSERT_TRUE(uninstaller.press("Escape"));
  std::this_thread::sleep_for(1s);
  ASSERT_TRUE(uninstaller.running()) << "Escape closed the finish page";
  EXPECT_EQ(uninstaller.page(), Page::Finish);
  expectOneReport(m_iniMachineId);
  expectBrowserEnded();

  ASSERT_TRUE(uninstaller.click(layout::kOverButton));
  DebuggeeResult result = uninstaller.finish();
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitCode, 0u);
  std::vector<std::string> log = withoutWorkerExitLine(uninstLogMessages(result));
  EXPECT_TRUE(containsInOrder(log, expectedUninstallLog(false))) << ::testing::PrintToString(log);
  EXPECT_EQ(std::count(log.begin(), log.end(), "CUninstMgr::DeleteCache 删除缓存信息 step=30"), 0);
  const std::string trace = "stUrl=" + m_service.baseUrl() + kReportPath + " stData=info=";
  EXPECT_TRUE(std::any_of(result.lines.begin(), result.lines.end(),
                          [&](const DebugLine& line) { return line.text.compare(0, trace.size(), trace) == 0; }));

  EXPECT_TRUE(waitUntil([&] { return !pathExists(m_product.dir()); }, 30s)) << "the batch removes the folder";
  EXPECT_TRUE(waitUntil([&] { return !m_temp.batchPresent(); }, 15s)) << "and itself";
  expectProductRemovedButTheFolder();
  EXPECT_TRUE(pathExists(m_product.userDataDir() + "\\launcher\\setting.tsc")) << "the user data was not to go";
  EXPECT_TRUE(pathExists(m_product.userDataDir() + "\\User Data\\Default\\Bookmarks"));
}

TEST_F(UninstallThroughTheWindow, ClearsTheUserDataWhenAskedAndRemovesItselfAfterCloseBtn) {
  ASSERT_FALSE(m_reference.empty());
  ASSERT_TRUE(m_product.record().setString("MachineId", "M-registry"));
  RunningUninstaller uninstaller(m_product.uninstaller(), title());
  ASSERT_TRUE(uninstaller.windowUp());

  ASSERT_TRUE(uninstaller.click(layout::kClearUserDataBox));
  movePointer(0, 0);
  ScreenShot checked = uninstaller.shot("page0-clear-user-data.png");
  POINT box = uninstaller.at({layout::kClearUserDataBox.x - 6, layout::kClearUserDataBox.y + 2});
  EXPECT_TRUE(isBlue(checked.pixel(box.x, box.y))) << "the box is not checked";

  ProgressFilm film(uninstaller.origin());
  ASSERT_TRUE(uninstaller.click(layout::kUninstallButton));
  movePointer(0, 0);
  ASSERT_TRUE(uninstaller.waitForPage(Page::Finish, 60s));
  expectProgressFilm(film.stop(), uninstaller.origin(), true);
  expectOneReport("M-registry");

  ASSERT_TRUE(uninstaller.click(layout::kCloseButton));
  DebuggeeResult result = uninstaller.finish();
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_TRUE(containsInOrder(withoutWorkerExitLine(uninstLogMessages(result)), expectedUninstallLog(true)));
  EXPECT_TRUE(waitUntil([&] { return !pathExists(m_product.dir()); }, 30s));
  EXPECT_TRUE(waitUntil([&] { return !m_temp.batchPresent(); }, 15s));
  expectProductRemovedButTheFolder();
  expectBrowserEnded();
  EXPECT_FALSE(pathExists(m_product.userDataDir())) << "asked to clear the user data";
}

TEST_F(UninstallThroughTheWindow, AltF4AfterCompletionClosesWithoutTheBatch) {
  RunningUninstaller uninstaller(m_product.uninstaller(), title());
  ASSERT_TRUE(uninstaller.windowUp());
  ASSERT_TRUE(uninstaller.click(layout::kUninstallButton));
  movePointer(0, 0);
  ASSERT_TRUE(uninstaller.waitForPage(Page::Finish, 60s));
  expectOneReport(m_iniMachineId);

  ASSERT_TRUE(uninstaller.press("alt+F4"));
  DebuggeeResult result = uninstaller.finish();
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitCode, 0u);
  std::this_thread::sleep_for(3s);
  EXPECT_EQ(m_product.remainingFiles(), std::vector<std::string>{"uninst.exe"})
      << "Alt+F4 never starts the batch: the uninstaller stays behind";
  EXPECT_FALSE(m_temp.batchPresent());
  expectProductRemovedButTheFolder();
}

TEST_F(UninstallThroughTheWindow, CancelOnTheConfirmationPageChangesNothing) {
  RunningUninstaller uninstaller(m_product.uninstaller(), title());
  ASSERT_TRUE(uninstaller.windowUp());
  std::vector<std::string> filesBefore = m_product.remainingFiles();
  ASSERT_TRUE(uninstaller.press("Return"));
  ASSERT_TRUE(uninstaller.press("Escape"));
  std::this_thread::sleep_for(1s);
  ASSERT_TRUE(uninstaller.running());

  ASSERT_TRUE(uninstaller.click(layout::kCancelButton));
  DebuggeeResult result = uninstaller.finish();
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_TRUE(uninstLogMessages(result).empty()) << ::testing::PrintToString(uninstLogMessages(result));
  std::this_thread::sleep_for(1s);
  EXPECT_FALSE(m_temp.batchPresent());
  EXPECT_EQ(m_product.remainingFiles(), filesBefore);
  EXPECT_TRUE(InstallRecord::keyExists());
  EXPECT_TRUE(keyExists(kUninstallEntry));
  for (const std::string& link : m_product.shortcuts()) EXPECT_TRUE(pathExists(link)) << link;
  EXPECT_EQ(::WaitForSingleObject(m_browser.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the browser still runs";
  EXPECT_TRUE(m_service.requestsTo(kReportPath).empty());
}

TEST_F(UninstallThroughTheWindow, CloseBtnDuringTheUninstallClosesWithoutReportOrBatch) {
  RunningUninstaller uninstaller(m_product.uninstaller(), title());
  ASSERT_TRUE(uninstaller.windowUp());
  ASSERT_TRUE(uninstaller.click(layout::kUninstallButton));
  ASSERT_TRUE(uninstaller.click(layout::kCloseButton));
  DebuggeeResult result = uninstaller.finish();
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitCode, 0u);
  std::vector<std::string> log = withoutWorkerExitLine(uninstLogMessages(result));
  // The window is gone at once; the worker still ends its steps, unseen.
  EXPECT_TRUE(containsInOrder(log, expectedUninstallLog(false))) << ::testing::PrintToString(log);
  std::this_thread::sleep_for(2s);
  EXPECT_TRUE(m_service.requestsTo(kReportPath).empty()) << "closed before step 100: no report";
  EXPECT_FALSE(m_temp.batchPresent()) << "closed before step 100: no batch";
  EXPECT_EQ(m_product.remainingFiles(), std::vector<std::string>{"uninst.exe"});
  expectProductRemovedButTheFolder();
}

}  // namespace
