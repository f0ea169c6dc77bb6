#include "update/verify.h"

#include "common/updatelibs.h"

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace kivu {

namespace {

void Check(NTSTATUS status, const char* what) {
    if (!BCRYPT_SUCCESS(status))
        throw std::runtime_error(std::string(what) + " (" + std::to_string(static_cast<unsigned long>(status)) + ")");
}

}  // namespace

Sha256::Sha256() {
    Check(BCrypt().OpenAlgorithmProvider(algorithm_.put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0), "no SHA-256");
    Check(BCrypt().CreateHash(algorithm_.get(), hash_.put(), nullptr, 0, nullptr, 0, 0), "no SHA-256 hash");
}

void Sha256::Update(const void* data, size_t size) {
    auto* bytes = static_cast<UCHAR*>(const_cast<void*>(data));
    while (size > 0) {
        const ULONG piece = size > 0x40000000 ? 0x40000000 : static_cast<ULONG>(size);
        Check(BCrypt().HashData(hash_.get(), bytes, piece, 0), "SHA-256 failed");
        bytes += piece;
        size -= piece;
    }
}

Sha256Digest Sha256::Finish() {
    Sha256Digest digest{};
    Check(BCrypt().FinishHash(hash_.get(), digest.data(), static_cast<ULONG>(digest.size()), 0), "SHA-256 failed");
    return digest;
}

bool VerifySignature(const ReleaseKey& key, const Sha256Digest& digest, const EcdsaSignature& signature) {
    UniqueCryptAlgorithm algorithm;
    Check(BCrypt().OpenAlgorithmProvider(algorithm.put(), BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0), "no ECDSA P-256");
    // The public blob: its header, then X and Y.
    std::vector<UCHAR> blob(sizeof(BCRYPT_ECCKEY_BLOB) + key.size());
    BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
    memcpy(blob.data(), &header, sizeof header);
    memcpy(blob.data() + sizeof header, key.data(), key.size());
    UniqueCryptKey handle;
    const NTSTATUS imported = BCrypt().ImportKeyPair(algorithm.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, handle.put(),
                                                     blob.data(), static_cast<ULONG>(blob.size()), 0);
    if (!BCRYPT_SUCCESS(imported)) return false;
    return BCRYPT_SUCCESS(BCrypt().VerifySignature(handle.get(), nullptr, const_cast<UCHAR*>(digest.data()),
                                                   static_cast<ULONG>(digest.size()),
                                                   const_cast<UCHAR*>(signature.data()),
                                                   static_cast<ULONG>(signature.size()), 0));
}

}  // namespace kivu
