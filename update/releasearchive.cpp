#include "update/releasearchive.h"

#include <windows.h>

#include "common/reg.h"
#include "update/release.h"

namespace kivu {

std::string ReleaseArchive::ConfiguredHost() {
    const std::string host = ReadRegString(HKEY_CURRENT_USER, kUpdateKey, kUpdateHostValue, "");
    return host.empty() ? kDefaultArchiveHost : host;
}

std::string ReleaseArchive::QueryAddress() const { return "http://" + host_ + kReleaseQueryPath; }

std::string ReleaseArchive::DownloadAddress(const std::string& linkPath) const { return "http://" + host_ + linkPath; }

std::string ReleaseArchive::Query(HttpClient& client) const {
    HttpReply reply = client.GetToMemory(QueryAddress());
    if (reply.status >= 400) throw HttpError("the archive answered " + std::to_string(reply.status));
    return std::move(reply.body);
}

void ReleaseArchive::Download(HttpClient& client, const std::string& address, const std::string& target) const {
    const size_t slash = target.find_last_of("\\/");
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    char temp[MAX_PATH];
    if (!GetTempFileNameA(folder.c_str(), "kiv", 0, temp)) throw HttpError("cannot create a file in " + folder);
    try {
        const int status = client.GetToFile(address, temp);
        if (status >= 400) throw HttpError("the archive answered " + std::to_string(status));
        if (!MoveFileExA(temp, target.c_str(), MOVEFILE_REPLACE_EXISTING))
            throw HttpError("cannot replace " + target + " (" + std::to_string(GetLastError()) + ")");
    } catch (...) {
        DeleteFileA(temp);
        throw;
    }
}

}  // namespace kivu
