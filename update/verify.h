// The archive's checks through the system's crypto API (BCrypt): its SHA-256
// digest and its ECDSA P-256 signature. No cryptography of our own.
#pragma once
#include <windows.h>

#include <cstddef>

#include "common/handles.h"
#include "update/release.h"

namespace kivu {

// A SHA-256 digest taken as the bytes come.
class Sha256 {
public:
    Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void Update(const void* data, size_t size);
    // The digest of everything so far; the object is done with then.
    Sha256Digest Finish();

private:
    // Declared in this order: the hash goes before its provider.
    UniqueCryptAlgorithm algorithm_;
    UniqueCryptHash hash_;
};

// Whether signature signs digest (ECDSA P-256 over a SHA-256 digest) under key.
bool VerifySignature(const ReleaseKey& key, const Sha256Digest& digest, const EcdsaSignature& signature);

}  // namespace kivu
