#include "test_postgres.h"

#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <vector>

#include "records/sqlsession.h"

extern char** environ;

namespace testpg {
namespace {

namespace fs = std::filesystem;

// The unprivileged user the server runs as when the tests run as root.
constexpr const char* kServerUser = "nobody";
constexpr const char* kServerGroup = "nogroup";
constexpr const char* kServerRoots = "/usr/lib/postgresql";

// The bin folder of the newest installed server, or empty.
fs::path FindServerBin() {
  std::vector<fs::path> found;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(kServerRoots, ec)) {
    const fs::path bin = e.path() / "bin";
    if (fs::exists(bin / "initdb") && fs::exists(bin / "pg_ctl")) found.push_back(bin);
  }
  if (found.empty()) return {};
  // Versions compare as numbers: 9.6 < 15.
  return *std::max_element(found.begin(), found.end(), [](const fs::path& a, const fs::path& b) {
    return std::atof(a.parent_path().filename().c_str()) <
           std::atof(b.parent_path().filename().c_str());
  });
}

// The command as the server's user: unchanged, or through setpriv when root.
std::vector<std::string> AsServerUser(std::vector<std::string> command) {
  if (geteuid() != 0) return command;
  std::vector<std::string> full = {"setpriv", std::string("--reuid=") + kServerUser,
                                   std::string("--regid=") + kServerGroup, "--clear-groups"};
  full.insert(full.end(), command.begin(), command.end());
  return full;
}

// Starts a command with its output appended to `log` and, when given,
// `stdinFd` as its input; its process id, or -1.
pid_t Spawn(const std::vector<std::string>& command, const fs::path& log, int stdinFd = -1) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (stdinFd >= 0) posix_spawn_file_actions_adddup2(&actions, stdinFd, 0);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::vector<char*> argv;
  for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? pid : -1;
}

bool Run(const std::vector<std::string>& command, const fs::path& log) {
  const pid_t pid = Spawn(command, log);
  int status = 0;
  return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

// A local port nobody listens on now (a later taker makes the start fail,
// and it is tried again).
int FreePort() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof a;
  int port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&a), &length) == 0)
    port = ntohs(a.sin_port);
  close(s);
  return port;
}

std::string Quoted(const std::string& s) {
  return "'" + s + "'";
}

struct TServer {
  std::string baseUri;  // without a database name
  std::string failure;  // why it did not start
  std::string missing;  // why it cannot start here
};

// Starts the server once per process.
TServer StartServer() {
  TServer server;
  const fs::path bin = FindServerBin();
  if (bin.empty()) {
    server.missing = std::string("PostgreSQL server binaries (initdb, pg_ctl) not found under ") +
                     kServerRoots + ": install the Debian package postgresql to run this test";
    return server;
  }
  char pattern[] = "/tmp/verevizu-pg-XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    server.failure = "no temporary folder";
    return server;
  }
  const fs::path folder = pattern;
  if (geteuid() == 0) {
    const passwd* user = getpwnam(kServerUser);
    const group* grp = getgrnam(kServerGroup);
    if (user == nullptr || grp == nullptr ||
        chown(folder.c_str(), user->pw_uid, grp->gr_gid) != 0) {
      server.failure = std::string("cannot give the server folder to ") + kServerUser;
      return server;
    }
  }
  const fs::path data = folder / "data", log = folder / "setup.log";
  const std::string pgCtl = (bin / "pg_ctl").string();

  // The watchdog first, so that even a failed start leaves nothing behind:
  // it waits for the end of this process (its input pipe closes) and then
  // stops the server and removes the folder.
  int pipe[2];
  if (pipe2(pipe, O_CLOEXEC) != 0) {
    server.failure = "no pipe for the watchdog";
    return server;
  }
  std::string stop;
  for (const std::string& a : AsServerUser({pgCtl, "-D", data.string(), "-m", "immediate", "stop"}))
    stop += Quoted(a) + ' ';
  const std::string script = "trap '' INT HUP TERM; read _; " + stop + ">/dev/null 2>&1; rm -rf " +
                             Quoted(folder.string());
  if (Spawn({"sh", "-c", script}, "/dev/null", pipe[0]) <= 0) {
    server.failure = "cannot start the watchdog";
    return server;
  }
  close(pipe[0]);
  // pipe[1] stays open until the process ends; it is closed on exec, so no
  // program the tests start holds it.

  if (!Run(AsServerUser({(bin / "initdb").string(), "-D", data.string(), "-U", "verevizu",
                         "--auth=trust", "-E", "UTF8", "--locale=C", "--no-sync"}),
           log)) {
    server.failure = "initdb failed; see " + log.string();
    return server;
  }
  for (int attempt = 0; attempt < 5; ++attempt) {
    const int port = FreePort();
    const std::string options = "-p " + std::to_string(port) + " -k " + folder.string() +
                                " -c listen_addresses=127.0.0.1 -c fsync=off"
                                " -c max_connections=60";
    if (Run(AsServerUser({pgCtl, "-D", data.string(), "-o", options, "-l",
                          (folder / "server.log").string(), "-w", "-t", "60", "start"}),
            log)) {
      server.baseUri = "postgresql://verevizu@127.0.0.1:" + std::to_string(port) + "/";
      return server;
    }
  }
  server.failure = "the server did not start; see " + (folder / "server.log").string();
  return server;
}

}  // namespace

std::string FreshDatabase(std::string& missing) {
  static std::once_flag once;
  static TServer server;
  std::call_once(once, [] { server = StartServer(); });
  missing = server.missing;
  if (!server.missing.empty()) return {};
  if (server.baseUri.empty()) {
    ADD_FAILURE() << "PostgreSQL test server: " << server.failure;
    return {};
  }
  static int count = 0;
  const std::string name = "t" + std::to_string(getpid()) + "_" + std::to_string(++count);
  records::OpenPostgresSession(server.baseUri + "postgres", std::chrono::seconds(30))
      ->Execute("CREATE DATABASE " + name, {});
  return server.baseUri + name;
}

}  // namespace testpg
