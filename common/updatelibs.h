// WinHTTP and BCrypt serve only the live update. They are bound on first use,
// from the system folder, so that no other window of this program pays for
// loading them at its start (about 10 ms under Wine).
#pragma once
#include <windows.h>
#include <bcrypt.h>
#include <winhttp.h>

namespace kivu {

struct WinHttpFunctions {
    decltype(&::WinHttpAddRequestHeaders) AddRequestHeaders;
    decltype(&::WinHttpCloseHandle) CloseHandle;
    decltype(&::WinHttpConnect) Connect;
    decltype(&::WinHttpCrackUrl) CrackUrl;
    decltype(&::WinHttpGetIEProxyConfigForCurrentUser) GetIEProxyConfigForCurrentUser;
    decltype(&::WinHttpOpen) Open;
    decltype(&::WinHttpOpenRequest) OpenRequest;
    decltype(&::WinHttpQueryHeaders) QueryHeaders;
    decltype(&::WinHttpReadData) ReadData;
    decltype(&::WinHttpReceiveResponse) ReceiveResponse;
    decltype(&::WinHttpSendRequest) SendRequest;
    decltype(&::WinHttpSetOption) SetOption;
    decltype(&::WinHttpSetStatusCallback) SetStatusCallback;
    decltype(&::WinHttpSetTimeouts) SetTimeouts;
};

struct BCryptFunctions {
    decltype(&::BCryptCloseAlgorithmProvider) CloseAlgorithmProvider;
    decltype(&::BCryptCreateHash) CreateHash;
    decltype(&::BCryptDestroyHash) DestroyHash;
    decltype(&::BCryptDestroyKey) DestroyKey;
    decltype(&::BCryptFinishHash) FinishHash;
    decltype(&::BCryptHashData) HashData;
    decltype(&::BCryptImportKeyPair) ImportKeyPair;
    decltype(&::BCryptOpenAlgorithmProvider) OpenAlgorithmProvider;
    decltype(&::BCryptVerifySignature) VerifySignature;
};

// Each binds its whole library on the first call; raises when a function is missing.
const WinHttpFunctions& WinHttp();
const BCryptFunctions& BCrypt();

}  // namespace kivu
