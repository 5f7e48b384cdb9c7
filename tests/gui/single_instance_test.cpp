#include "gui/single_instance.h"
#include "gui/run_status_bar.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLocalSocket>
#include <QProcess>
#include <QProcessEnvironment>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace tonvale {
namespace {

using testing::TempDir;
using Claim = SingleInstance::Claim;

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
  ASSERT_EQ(first.TryClaim(), Claim::kFirst);
  int activations = 0;
  first.OnActivationRequested([&activations](const ActivationRequest& request) {
    EXPECT_EQ(request.file, "");
    ++activations;
  });

  SingleInstance second(InstanceKey("analysis"));
  EXPECT_EQ(second.TryClaim(), Claim::kRunning);
  // The request is served by the first instance's event loop, which runs in this thread: the
  // write only has to reach the socket.
  EXPECT_TRUE(second.AskRunningInstanceToActivate({}));
  EXPECT_TRUE(ProcessEventsUntil([&] { return activations == 1; }));

  SingleInstance other(InstanceKey("analysis2"));
  EXPECT_EQ(other.TryClaim(), Claim::kFirst) << "another file name is another program";
}

TEST_F(SingleInstanceTest, TheRequestOfASecondStartReachesTheFirstByteForByte) {
  SingleInstance first(InstanceKey("analysis"));
  ASSERT_EQ(first.TryClaim(), Claim::kFirst);
  std::vector<ActivationRequest> received;
  first.OnActivationRequested(
      [&received](const ActivationRequest& request) { received.push_back(request); });

  // Spaces, a line break, a percent sign, Japanese and a byte that is no UTF-8; the proofs of
  // the user's action travel with the file, and a request without them has none.
  const std::vector<ActivationRequest> sent = {
      {"/music/a b.wav", "wayland-token 1", "kde-1_TIME42"},
      {"/x/line\nbreak%41.wav", "", ""},
      {"/曲/演奏.wav", "", "gnome-7_TIME9"},
      {std::string("/raw/\xff\x01.wav"), "t\n2", ""},
      {"", "token-only", ""},
  };
  for (const ActivationRequest& request : sent) {
    SingleInstance later(InstanceKey("analysis"));
    EXPECT_EQ(later.TryClaim(), Claim::kRunning);
    EXPECT_TRUE(later.AskRunningInstanceToActivate(request));
  }
  EXPECT_TRUE(ProcessEventsUntil([&] { return received.size() == sent.size(); }));
  ASSERT_EQ(received.size(), sent.size());
  for (size_t i = 0; i < sent.size(); ++i) {
    EXPECT_EQ(received[i].file, sent[i].file) << i;
    EXPECT_EQ(received[i].activationToken, sent[i].activationToken) << i;
    EXPECT_EQ(received[i].startupId, sent[i].startupId) << i;
  }
}

TEST_F(SingleInstanceTest, RequestsItDoesNotKnowOrThatNeverEndAreIgnored) {
  SingleInstance first(InstanceKey("analysis"));
  ASSERT_EQ(first.TryClaim(), Claim::kFirst);
  std::vector<std::string> files;
  first.OnActivationRequested(
      [&files](const ActivationRequest& request) { files.push_back(request.file); });

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
    ASSERT_EQ(first.TryClaim(), Claim::kFirst);
  }
  SingleInstance next(InstanceKey("analysis"));
  EXPECT_EQ(next.TryClaim(), Claim::kFirst);
  SingleInstance asker(InstanceKey("nobody-runs-this"));
  EXPECT_FALSE(asker.AskRunningInstanceToActivate({}, 200));
}

// Without a private runtime folder the lock and the socket go into a folder of the user's own,
// used only while nobody else can have made it or changed it.
TEST_F(SingleInstanceTest, WithoutARuntimeFolderTheNamesLieInAFolderOfTheUsersOwn) {
  TempDir temp, open;
  chmod(open.path().c_str(), 0777);
  const QByteArray previousTemp = qgetenv("TMPDIR");
  qputenv("TMPDIR", QByteArray::fromStdString(temp.path()));  // the temporary folder
  const std::string own = temp.path() + "tonvale-" + std::to_string(getuid());
  const struct {
    const char* name;
    std::string runtime;
    std::function<void()> prepare;
    Claim claim;
  } cases[] = {
      {"no runtime folder", "", [] {}, Claim::kFirst},
      {"a runtime folder that others can enter", open.path(), [] {}, Claim::kFirst},
      {"a folder of that name that others can enter", "", [&] { chmod(own.c_str(), 0755); },
       Claim::kUnavailable},
      {"a link in its place", "",
       [&] {
         std::filesystem::remove_all(own);
         std::filesystem::create_directory_symlink(open.path(), own);
       },
       Claim::kUnavailable},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(c.runtime));
    c.prepare();
    SingleInstance instance(InstanceKey("analysis"));
    EXPECT_EQ(instance.TryClaim(), c.claim) << instance.Problem();
    if (c.claim == Claim::kFirst) {
      EXPECT_EQ(QFileInfo(instance.SocketPath()).path().toStdString(), own);
      struct stat info {};
      EXPECT_EQ(lstat(own.c_str(), &info), 0);
      EXPECT_EQ(info.st_mode & 07777, 0700u);
    } else {
      EXPECT_NE(instance.Problem().find(own), std::string::npos) << instance.Problem();
    }
  }
  qputenv("TMPDIR", previousTemp);
}

// A program of another user that listens where the running instance would gets nothing: not
// the file's name, not the tokens.
TEST_F(SingleInstanceTest, ASecondStartSendsNothingToAListenerOfAnotherUser) {
  if (geteuid() != 0) GTEST_SKIP() << "listening as another user needs root";
  SingleInstance later(InstanceKey("analysis"));
  const QByteArray path = QFile::encodeName(later.SocketPath());
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Binds in the folder as root, then listens as the user nobody, whose the socket then is.
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0 ||
        listen(fd, 1) != 0 || write(ready[1], "r", 1) != 1) {
      _exit(100);
    }
    pollfd incoming{fd, POLLIN, 0};
    if (poll(&incoming, 1, 60000) != 1) _exit(101);
    const int peer = accept(fd, nullptr, nullptr);
    char buffer[256];
    ssize_t got = 0, total = 0;
    while ((got = read(peer, buffer, sizeof buffer)) > 0) total += got;
    _exit(total > 99 ? 99 : static_cast<int>(total));
  }
  close(ready[1]);
  char signal = 0;
  EXPECT_EQ(read(ready[0], &signal, 1), 1);
  close(ready[0]);
  EXPECT_FALSE(later.AskRunningInstanceToActivate({"/music/private.wav", "token", "x_TIME1"}));
  EXPECT_NE(later.Problem().find("another user"), std::string::npos) << later.Problem();
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "bytes the listener received, or its failure (100, 101)";
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
