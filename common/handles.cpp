#include "common/handles.h"

#include "common/updatelibs.h"

namespace kivu::owner {

bool InternetHandle::Close(Type h) { return WinHttp().CloseHandle(h) != FALSE; }
bool CryptAlgorithm::Close(Type h) { return BCRYPT_SUCCESS(BCrypt().CloseAlgorithmProvider(h, 0)); }
bool CryptHash::Close(Type h) { return BCRYPT_SUCCESS(BCrypt().DestroyHash(h)); }
bool CryptKey::Close(Type h) { return BCRYPT_SUCCESS(BCrypt().DestroyKey(h)); }

}  // namespace kivu::owner
