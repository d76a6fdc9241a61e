// Runs the veskbsl-cli program of this build as a user would, and collects what it printed.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

extern char** environ;

namespace vesk::test {

struct CliRun {
  int status = -1;  // exit status, or 128 + signal
  std::string out;
  std::string err;
};

class CliRunner {
 public:
  explicit CliRunner(const TempDir& dir) : dir_(dir) {}

  // Extra "NAME=value" entries for the program's environment.
  std::vector<std::string> env;

  // Starts veskbsl-cli with `args`; its stdout goes to a pipe (returned in `outFd`) or, when
  // outFd is null, to a file. Returns the process id.
  pid_t Start(const std::vector<std::string>& args, int* outFd = nullptr) {
    std::vector<std::string> argv = {std::string(VESKBSL_BIN_DIR) + "/veskbsl-cli"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargv;
    for (auto& a : argv) {
      cargv.push_back(a.data());
    }
    cargv.push_back(nullptr);
    std::vector<std::string> envStore;
    for (char** e = environ; *e != nullptr; ++e) {
      envStore.emplace_back(*e);
    }
    envStore.insert(envStore.end(), env.begin(), env.end());
    std::vector<char*> cenv;
    for (auto& e : envStore) {
      cenv.push_back(e.data());
    }
    cenv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int pipeFds[2] = {-1, -1};
    if (outFd != nullptr) {
      WriteFile(OutPath(), "");
      if (::pipe(pipeFds) != 0) {
        return -1;
      }
      posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
      posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    } else {
      posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, OutPath().c_str(),
                                       O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, ErrPath().c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, cargv[0], &actions, nullptr, cargv.data(), cenv.data());
    posix_spawn_file_actions_destroy(&actions);
    if (outFd != nullptr) {
      ::close(pipeFds[1]);
      *outFd = pipeFds[0];
    }
    return rc == 0 ? pid : -1;
  }

  // Waits for the program and collects its output (stdout only when it went to a file).
  CliRun Finish(pid_t pid) {
    CliRun run;
    int wstatus = 0;
    if (pid > 0 && ::waitpid(pid, &wstatus, 0) == pid) {
      run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    }
    run.out = ReadFile(OutPath());
    run.err = ReadFile(ErrPath());
    return run;
  }

  CliRun Run(const std::vector<std::string>& args) { return Finish(Start(args)); }

 private:
  std::string OutPath() const { return dir_.File("cli.out"); }
  std::string ErrPath() const { return dir_.File("cli.err"); }
  const TempDir& dir_;
};

// Runs veskbsl-cli once, with a scratch folder of its own for the output.
inline CliRun RunCli(const std::vector<std::string>& args) {
  TempDir dir;
  return CliRunner(dir).Run(args);
}

}  // namespace vesk::test
