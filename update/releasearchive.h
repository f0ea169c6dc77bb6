// The software archive the live update asks: where it is, its release
// query, and the download of a release archive that never destroys what the
// user had and is only put in place once it is complete and verified.
#pragma once
#include <optional>
#include <stdexcept>
#include <string>

#include "update/httpclient.h"
#include "update/release.h"

namespace kivu {

// Used when the registry names no archive host. A reserved name that never
// resolves, until the archive's own name is settled.
constexpr const char* kDefaultArchiveHost = "archive.kivumenu.invalid";
// HKEY_CURRENT_USER key and value that name the host: "name[:port]" (http),
// or with its scheme, "https://name[:port]".
constexpr const char* kUpdateKey = "software\\kivu\\update";
constexpr const char* kUpdateHostValue = "Host";

// A downloaded archive that failed its digest or signature: not the
// publisher's archive, or not all of it.
class ReleaseCheckError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The release-signing key built into this program, if it carries one.
std::optional<ReleaseKey> BuiltInReleaseKey();

class ReleaseArchive {
public:
    explicit ReleaseArchive(const std::string& host, std::optional<ReleaseKey> key = BuiltInReleaseKey())
        : base_(ArchiveBase(host)), key_(key) {}
    // The host from the registry, or the default.
    static std::string ConfiguredHost();

    std::string QueryAddress() const;
    std::string DownloadAddress(const std::string& linkPath) const;

    // The body of the release query. An error status (400 and above) fails
    // like a broken transfer: an error page says nothing about releases.
    std::string Query(HttpClient& client) const;

    // Downloads the archive of the link into a temporary file beside target
    // and puts it in target's place once the transfer is complete and the
    // archive verified: against the digest beside it when the page offers
    // one (withDigest), and against its signature when there is a key. On any
    // failure target is as it was and the temporary file is gone; a failed
    // check raises ReleaseCheckError.
    void Download(HttpClient& client, const std::string& linkPath, const std::string& target,
                  bool withDigest) const;

private:
    // A small file beside the archive; nothing when the server has none.
    std::optional<std::string> Companion(HttpClient& client, const std::string& path) const;

    std::string base_;  // scheme and host: "https://name:port"
    std::optional<ReleaseKey> key_;
};

}  // namespace kivu
