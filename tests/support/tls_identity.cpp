#include "tests/support/tls_identity.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace brisklet::test {
namespace {

struct PkeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct X509Free {
  void operator()(X509* cert) const { X509_free(cert); }
};
struct BioFree {
  void operator()(BIO* bio) const { BIO_free(bio); }
};
struct ExtFree {
  void operator()(X509_EXTENSION* ext) const { X509_EXTENSION_free(ext); }
};

std::string LastOpenSslError(const char* step) {
  char text[256] = {};
  ERR_error_string_n(ERR_get_error(), text, sizeof text);
  return std::string(step) + ": " + text;
}

bool AddExtension(X509* cert, int nid, const char* value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
  std::unique_ptr<X509_EXTENSION, ExtFree> ext(X509V3_EXT_conf_nid(nullptr, &ctx, nid, value));
  return ext && X509_add_ext(cert, ext.get(), -1) == 1;
}

std::unique_ptr<X509, X509Free> MakeCertificate(EVP_PKEY* key) {
  std::unique_ptr<X509, X509Free> cert(X509_new());
  if (!cert) return nullptr;
  X509_set_version(cert.get(), 2);  // v3, for the subjectAltName
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 1);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 24 * 3600);
  X509_NAME* name = X509_get_subject_name(cert.get());
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
  X509_set_issuer_name(cert.get(), name);
  X509_set_pubkey(cert.get(), key);
  if (!AddExtension(cert.get(), NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost") ||
      !AddExtension(cert.get(), NID_basic_constraints, "critical,CA:TRUE")) {
    return nullptr;
  }
  if (X509_sign(cert.get(), key, EVP_sha256()) == 0) return nullptr;
  return cert;
}

std::string ToPem(X509* cert) {
  std::unique_ptr<BIO, BioFree> bio(BIO_new(BIO_s_mem()));
  if (!bio || PEM_write_bio_X509(bio.get(), cert) != 1) return {};
  char* data = nullptr;
  long size = BIO_get_mem_data(bio.get(), &data);
  return std::string(data, static_cast<std::size_t>(size));
}

}  // namespace

TlsIdentity MakeSelfSignedIdentity() {
  TlsIdentity identity;
  std::unique_ptr<EVP_PKEY, PkeyFree> key(EVP_EC_gen("P-256"));
  if (!key) {
    identity.error = LastOpenSslError("key");
    return identity;
  }
  auto cert = MakeCertificate(key.get());
  if (!cert) {
    identity.error = LastOpenSslError("certificate");
    return identity;
  }
  SslCtxPtr ctx(SSL_CTX_new(TLS_server_method()));
  if (!ctx || SSL_CTX_use_certificate(ctx.get(), cert.get()) != 1 ||
      SSL_CTX_use_PrivateKey(ctx.get(), key.get()) != 1) {
    identity.error = LastOpenSslError("context");
    return identity;
  }
  identity.certificatePem = ToPem(cert.get());
  identity.context = std::move(ctx);
  return identity;
}

}  // namespace brisklet::test
