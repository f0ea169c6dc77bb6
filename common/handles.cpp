#include "common/handles.h"

#include <bcrypt.h>
#include <winhttp.h>

namespace kivu::owner {

bool InternetHandle::Close(Type h) { return WinHttpCloseHandle(h) != FALSE; }
bool CryptAlgorithm::Close(Type h) { return BCRYPT_SUCCESS(BCryptCloseAlgorithmProvider(h, 0)); }
bool CryptHash::Close(Type h) { return BCRYPT_SUCCESS(BCryptDestroyHash(h)); }
bool CryptKey::Close(Type h) { return BCRYPT_SUCCESS(BCryptDestroyKey(h)); }

}  // namespace kivu::owner
