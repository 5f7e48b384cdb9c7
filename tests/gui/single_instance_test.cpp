#include "gui/single_instance.h"
#include "gui/run_status_bar.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QImage>
#include <QLocalSocket>
#include <QProcess>
#include <QProcessEnvironment>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace tonvale {
namespace {

using testing::TempDir;

// Keeps the test's locks and sockets in a folder of its own.
class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime_.path()));
  }
  void TearDown() override { qputenv("XDG_RUNTIME_DIR", previous_); }

  static bool ProcessEventsUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
      if (deadline.hasExpired()) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
  }

  TempDir runtime_;
  QByteArray previous_;
};

TEST_F(SingleInstanceTest, ASecondClaimFailsAndActivatesTheFirst) {
  SingleInstance first(InstanceKey("analysis"));
  ASSERT_TRUE(first.Claim());
  int activations = 0;
  first.OnActivationRequested([&activations](const std::string& file) {
    EXPECT_EQ(file, "");
    ++activations;
  });

  SingleInstance second(InstanceKey("analysis"));
  EXPECT_FALSE(second.Claim());
  // The request is served by the first instance's event loop, which runs in this thread: the
  // write only has to reach the socket.
  EXPECT_TRUE(second.AskRunningInstanceToActivate());
  EXPECT_TRUE(ProcessEventsUntil([&] { return activations == 1; }));

  SingleInstance other(InstanceKey("analysis2"));
  EXPECT_TRUE(other.Claim()) << "another file name is another program";
}

TEST_F(SingleInstanceTest, TheFileOfASecondStartReachesTheFirstByteForByte) {
  SingleInstance first(InstanceKey("analysis"));
  ASSERT_TRUE(first.Claim());
  std::vector<std::string> files;
  first.OnActivationRequested([&files](const std::string& file) { files.push_back(file); });

  // Spaces, a line break, a percent sign, Japanese and a byte that is no UTF-8.
  const std::vector<std::string> sent = {"/music/a b.wav", "/x/line\nbreak%41.wav", "/曲/演奏.wav",
                                         std::string("/raw/\xff\x01.wav")};
  for (const std::string& file : sent) {
    SingleInstance later(InstanceKey("analysis"));
    EXPECT_FALSE(later.Claim());
    EXPECT_TRUE(later.AskRunningInstanceToActivate(file));
  }
  EXPECT_TRUE(ProcessEventsUntil([&] { return files.size() == sent.size(); }));
  EXPECT_EQ(files, sent);
}

TEST_F(SingleInstanceTest, RequestsItDoesNotKnowOrThatNeverEndAreIgnored) {
  SingleInstance first(InstanceKey("analysis"));
  ASSERT_TRUE(first.Claim());
  std::vector<std::string> files;
  first.OnActivationRequested([&files](const std::string& file) { files.push_back(file); });

  QLocalSocket peer;
  peer.connectToServer(first.SocketPath());
  ASSERT_TRUE(peer.waitForConnected(3000));
  peer.write("open \nhello\nactivate\n");
  peer.write(QByteArray(200 * 1024, 'a'));  // no line end: the first cuts the peer off
  peer.flush();
  EXPECT_TRUE(ProcessEventsUntil([&] { return peer.state() == QLocalSocket::UnconnectedState; }));
  EXPECT_EQ(files, std::vector<std::string>{""}) << "only the activation was a request";
}

TEST_F(SingleInstanceTest, TheClaimIsFreeAgainOnceTheFirstInstanceHasGone) {
  {
    SingleInstance first(InstanceKey("analysis"));
    ASSERT_TRUE(first.Claim());
  }
  SingleInstance next(InstanceKey("analysis"));
  EXPECT_TRUE(next.Claim());
  SingleInstance asker(InstanceKey("nobody-runs-this"));
  EXPECT_FALSE(asker.AskRunningInstanceToActivate({}, 200));
}

TEST_F(SingleInstanceTest, KeysDifferByFileNameAndStaySocketSized) {
  QString a = InstanceKey("tonvale");
  EXPECT_NE(a, InstanceKey("tonvale2"));
  EXPECT_EQ(a, InstanceKey("tonvale"));
  EXPECT_TRUE(a.contains(QString::number(getuid())));
  QString odd = InstanceKey(QString(300, QChar(u'曲')) + "/../x y");
  EXPECT_LT(odd.size(), 64);
  EXPECT_FALSE(odd.contains('/'));
}

// The real program: a second start under the same name leaves at once, while a copy under
// another name runs beside the first.
TEST_F(SingleInstanceTest, TheProgramRunsOncePerExecutableName) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime_.path()));
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  auto start = [&](const QString& program) {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    process->setProgram(program);
    process->start();
    EXPECT_TRUE(process->waitForStarted(10000)) << program.toStdString();
    return process;
  };
  auto listening = [](const QString& applicationName) {
    return ProcessEventsUntil([&] {
      QLocalSocket probe;
      probe.connectToServer(SingleInstance(InstanceKey(applicationName)).SocketPath());
      return probe.waitForConnected(100);
    });
  };

  auto first = start(TONVALE_EXECUTABLE);
  ASSERT_TRUE(listening("tonvale")) << "the first instance never came up";

  auto second = start(TONVALE_EXECUTABLE);
  EXPECT_TRUE(second->waitForFinished(10000));
  EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second->exitCode(), 0);
  EXPECT_EQ(first->state(), QProcess::Running);

  TempDir copyDir;
  QString copy = QString::fromStdString(copyDir.File("tonvale-copy"));
  ASSERT_TRUE(QFile::copy(TONVALE_EXECUTABLE, copy));
  QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  auto third = start(copy);
  EXPECT_TRUE(listening("tonvale-copy")) << "the copy should run as a first instance";
  EXPECT_EQ(third->state(), QProcess::Running);
  EXPECT_EQ(first->state(), QProcess::Running);

  for (QProcess* process : {first.get(), third.get()}) {
    process->kill();
    process->waitForFinished(10000);
  }
}

TEST_F(SingleInstanceTest, TheProgramShowsItsWindowAndEndsWhenItCloses) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime_.path()));
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  QProcess program;
  program.setProcessEnvironment(environment);
  QString shot = QString::fromStdString(runtime_.File("window.png"));
  program.start(TONVALE_EXECUTABLE, {"--screenshot", shot});
  ASSERT_TRUE(program.waitForFinished(20000));
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 0);
  QImage image(shot);
  EXPECT_EQ(image.size(), QSize(576, 519 + RunStatusBar::kHeight));
}

}  // namespace
}  // namespace tonvale
