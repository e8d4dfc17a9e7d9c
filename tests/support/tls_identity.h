#pragma once
// A TLS server identity made in memory: a fresh P-256 key and a self-signed certificate for
// 127.0.0.1 and localhost, valid from an hour ago for a day. Nothing touches the disk.
#include <memory>
#include <string>

#include <openssl/ssl.h>

namespace brisklet::test {

struct SslCtxFree {
  void operator()(SSL_CTX* ctx) const { SSL_CTX_free(ctx); }
};
using SslCtxPtr = std::unique_ptr<SSL_CTX, SslCtxFree>;

struct TlsIdentity {
  SslCtxPtr context;           // a server context holding the key and certificate; null on failure
  std::string certificatePem;  // the certificate, for clients that want to verify it
  std::string error;           // why context is null
};

TlsIdentity MakeSelfSignedIdentity();

}  // namespace brisklet::test
