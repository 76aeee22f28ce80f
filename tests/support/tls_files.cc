#include "tls_files.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <vector>

extern char **environ;

namespace testsupport {

bool MakeSelfSignedCertificate(const std::string &dir, TlsFiles *files) {
  files->certFile = dir + "/cert.pem";
  files->keyFile = dir + "/key.pem";
  // An EC key: made in milliseconds. The certificate is a CA as well
  // (openssl's default for -x509), so that it can be installed as one.
  std::vector<const char *> argv = {"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                                    "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2", "-subj",
                                    "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost",
                                    "-keyout", files->keyFile.c_str(), "-out", files->certFile.c_str(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, "openssl", &actions, nullptr, const_cast<char **>(argv.data()), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace testsupport
