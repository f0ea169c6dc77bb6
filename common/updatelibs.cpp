#include "common/updatelibs.h"

#include "common/systemlib.h"

namespace kivu {

namespace {

template <class Fn>
void Bind(Fn& fn, const char* dll, const char* name) {
    fn = SystemFunction<Fn>(dll, name);
}

}  // namespace

const WinHttpFunctions& WinHttp() {
    static const WinHttpFunctions functions = [] {
        const char* dll = "winhttp.dll";
        WinHttpFunctions f{};
        Bind(f.AddRequestHeaders, dll, "WinHttpAddRequestHeaders");
        Bind(f.CloseHandle, dll, "WinHttpCloseHandle");
        Bind(f.Connect, dll, "WinHttpConnect");
        Bind(f.CrackUrl, dll, "WinHttpCrackUrl");
        Bind(f.GetIEProxyConfigForCurrentUser, dll, "WinHttpGetIEProxyConfigForCurrentUser");
        Bind(f.Open, dll, "WinHttpOpen");
        Bind(f.OpenRequest, dll, "WinHttpOpenRequest");
        Bind(f.QueryHeaders, dll, "WinHttpQueryHeaders");
        Bind(f.ReadData, dll, "WinHttpReadData");
        Bind(f.ReceiveResponse, dll, "WinHttpReceiveResponse");
        Bind(f.SendRequest, dll, "WinHttpSendRequest");
        Bind(f.SetOption, dll, "WinHttpSetOption");
        Bind(f.SetStatusCallback, dll, "WinHttpSetStatusCallback");
        Bind(f.SetTimeouts, dll, "WinHttpSetTimeouts");
        return f;
    }();
    return functions;
}

const BCryptFunctions& BCrypt() {
    static const BCryptFunctions functions = [] {
        const char* dll = "bcrypt.dll";
        BCryptFunctions f{};
        Bind(f.CloseAlgorithmProvider, dll, "BCryptCloseAlgorithmProvider");
        Bind(f.CreateHash, dll, "BCryptCreateHash");
        Bind(f.DestroyHash, dll, "BCryptDestroyHash");
        Bind(f.DestroyKey, dll, "BCryptDestroyKey");
        Bind(f.FinishHash, dll, "BCryptFinishHash");
        Bind(f.HashData, dll, "BCryptHashData");
        Bind(f.ImportKeyPair, dll, "BCryptImportKeyPair");
        Bind(f.OpenAlgorithmProvider, dll, "BCryptOpenAlgorithmProvider");
        Bind(f.VerifySignature, dll, "BCryptVerifySignature");
        return f;
    }();
    return functions;
}

}  // namespace kivu
