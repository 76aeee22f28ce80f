// A self-signed certificate for HTTPS servers of tests: made with the openssl
// command in a directory of the test's, for 127.0.0.1 and localhost.
#ifndef TESTS_SUPPORT_TLS_FILES_H
#define TESTS_SUPPORT_TLS_FILES_H

#include <string>

namespace testsupport {

struct TlsFiles {
  std::string certFile;  // the certificate (PEM), which is its own CA
  std::string keyFile;   // its private key (PEM)
};

// Makes cert.pem and key.pem in dir; false when openssl failed.
bool MakeSelfSignedCertificate(const std::string &dir, TlsFiles *files);

}  // namespace testsupport

#endif  // TESTS_SUPPORT_TLS_FILES_H
