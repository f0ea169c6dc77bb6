// The software archive the live update asks: where it is, its release
// query, and the download of a release archive that never destroys what the
// user had.
#pragma once
#include <string>

#include "update/httpclient.h"

namespace kivu {

// Used when the registry names no archive host. A reserved name that never
// resolves, until the archive's own name is settled.
constexpr const char* kDefaultArchiveHost = "archive.kivumenu.invalid";
// HKEY_CURRENT_USER key and value that name the host, as "name" or "name:port".
constexpr const char* kUpdateKey = "software\\kivu\\update";
constexpr const char* kUpdateHostValue = "Host";

class ReleaseArchive {
public:
    explicit ReleaseArchive(std::string host) : host_(std::move(host)) {}
    // The host from the registry, or the default.
    static std::string ConfiguredHost();

    const std::string& Host() const { return host_; }
    std::string QueryAddress() const;
    std::string DownloadAddress(const std::string& linkPath) const;

    // The body of the release query. An error status (400 and above) fails
    // like a broken transfer: an error page says nothing about releases.
    std::string Query(HttpClient& client) const;

    // Downloads into a temporary file beside target and puts it in target's
    // place once the transfer is complete. On any failure, including an
    // error status, target is as it was and the temporary file is gone.
    void Download(HttpClient& client, const std::string& address, const std::string& target) const;

private:
    std::string host_;
};

}  // namespace kivu
