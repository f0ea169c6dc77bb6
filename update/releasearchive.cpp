#include "update/releasearchive.h"

#include <windows.h>

#include "common/reg.h"
#include "common/text.h"
#include "update/verify.h"

namespace kivu {

namespace {

#ifdef KIVU_RELEASE_KEY
constexpr const char* kReleaseKeyHex = KIVU_RELEASE_KEY;
#else
constexpr const char* kReleaseKeyHex = "";
#endif

// Removes the temporary file unless it was put in place.
class TempFile {
public:
    explicit TempFile(const std::string& target) {
        const size_t slash = target.find_last_of("\\/");
        const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
        wchar_t temp[MAX_PATH];
        if (!GetTempFileNameW(Widen(folder).c_str(), L"kiv", 0, temp))
            throw HttpError("cannot create a file in " + folder);
        path_ = Narrow(temp);
    }
    ~TempFile() {
        if (!path_.empty()) DeleteFileW(Widen(path_).c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::string& Path() const { return path_; }
    void MoveTo(const std::string& target) {
        if (!MoveFileExW(Widen(path_).c_str(), Widen(target).c_str(), MOVEFILE_REPLACE_EXISTING))
            throw HttpError("cannot replace " + target + " (" + std::to_string(GetLastError()) + ")");
        path_.clear();
    }

private:
    std::string path_;
};

}  // namespace

std::optional<ReleaseKey> BuiltInReleaseKey() { return ParseReleaseKey(kReleaseKeyHex); }

std::string ReleaseArchive::ConfiguredHost() {
    const std::string host = ReadRegString(HKEY_CURRENT_USER, kUpdateKey, kUpdateHostValue, "");
    return host.empty() ? kDefaultArchiveHost : host;
}

std::string ReleaseArchive::QueryAddress() const { return base_ + kReleaseQueryPath; }

std::string ReleaseArchive::DownloadAddress(const std::string& linkPath) const { return base_ + linkPath; }

std::string ReleaseArchive::Query(HttpClient& client) const {
    HttpReply reply = client.GetToMemory(QueryAddress());
    if (reply.status >= 400) throw HttpError("the archive answered " + std::to_string(reply.status));
    return std::move(reply.body);
}

std::optional<std::string> ReleaseArchive::Companion(HttpClient& client, const std::string& path) const {
    const size_t limit = client.maxMemoryBody;
    client.maxMemoryBody = kMaxReleaseFile;
    HttpReply reply;
    try {
        reply = client.GetToMemory(base_ + path);
    } catch (...) {
        client.maxMemoryBody = limit;
        throw;
    }
    client.maxMemoryBody = limit;
    if (reply.status == 404 || reply.status == 410) return std::nullopt;
    if (reply.status >= 400) throw HttpError("the archive answered " + std::to_string(reply.status));
    return std::move(reply.body);
}

void ReleaseArchive::Download(HttpClient& client, const std::string& linkPath, const std::string& target,
                              bool withDigest) const {
    TempFile temp(target);
    // The digest only when something checks it: under Wine it costs about a
    // second per 200 MB.
    const bool verify = withDigest || key_;
    Sha256 sha;
    if (verify) client.onBody = [&sha](const char* data, size_t size) { sha.Update(data, size); };
    int status = 0;
    try {
        status = client.GetToFile(DownloadAddress(linkPath), temp.Path());
    } catch (...) {
        client.onBody = nullptr;
        throw;
    }
    client.onBody = nullptr;
    if (status >= 400) throw HttpError("the archive answered " + std::to_string(status));
    const Sha256Digest digest = verify ? sha.Finish() : Sha256Digest{};

    if (withDigest) {
        const auto file = Companion(client, DigestPath(linkPath));
        if (!file) throw ReleaseCheckError("the page offers a digest that the archive does not have");
        const auto expected = DigestFor(*file, ArchiveFileName(linkPath));
        if (!expected) throw ReleaseCheckError("the digest file names no digest for " + ArchiveFileName(linkPath));
        if (*expected != digest) throw ReleaseCheckError("the archive does not match its digest");
    }
    if (key_) {
        const auto file = Companion(client, SignaturePath(linkPath));
        if (!file) throw ReleaseCheckError("the archive is not signed");
        const auto signature = ParseSignature(*file);
        if (!signature) throw ReleaseCheckError("the archive's signature is malformed");
        if (!VerifySignature(*key_, digest, *signature))
            throw ReleaseCheckError("the archive's signature is not the publisher's");
    }
    temp.MoveTo(target);
}

}  // namespace kivu
