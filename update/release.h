// The live update's reading of the archive's answer: the release link, the
// versions and the decision. No windows.h: tested natively.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kivu {

// The release query of the archive (after "http://" and the host).
constexpr const char* kReleaseQueryPath = "/simcgi-bin/win95find.cgi?kivu";
// The start of a release link in the query page; case-sensitive.
constexpr const char* kReleaseLinkMarker = "<A HREF=\"/pub/simtelnet/win95/desktop/kivu";
// The link path ends before this.
constexpr const char* kReleaseLinkClose = "\">";
// The most characters of a link path.
constexpr size_t kMaxLinkPath = 255;

// The archive's address without a path, from the "Host" value: "name[:port]"
// is reached over http; "http://name[:port]" and "https://name[:port]" keep
// their scheme (any letter case; one trailing "/" is dropped).
std::string ArchiveBase(std::string_view host);

// Characters 11 to 14 of the version banner: "3.19".
std::string RunningVersion(std::string_view banner);

// The running version without its second character (the point), read as a
// number: "3.19" gives 319.
std::optional<int32_t> RunningVersionNumber(std::string_view runningVersion);

// The path of the first release link: from just after the marker's
// `<A HREF="`, at most 255 characters, cut before the first `">`; empty
// when no `">` lies within them. Nothing when the marker is missing.
std::optional<std::string> FindLinkPath(std::string_view body);

// Characters 34 to 36 of the link path: the digits after ".../kivu".
std::string NewVersionDigits(std::string_view linkPath);

// The digits shown as a version: "320" gives "3.20".
std::string VersionText(std::string_view digits);

// Characters 30 to 40 of the link path: the 11 characters after
// "/pub/simtelnet/win95/desktop/", e.g. "kivu320.zip".
std::string ProposedFileName(std::string_view linkPath);

// An optional sign and decimal digits, nothing else, within 32 bits.
std::optional<int32_t> ParseDecimal(std::string_view text);

// The download is offered when Ctrl is held or the found release is newer.
bool OfferDownload(int32_t running, int32_t found, bool ctrlHeld);

// Beside the archive: its SHA-256 digest and its detached signature, at the
// link's path (without query) with ".sha256" or ".sig" added.
std::string DigestPath(std::string_view linkPath);
std::string SignaturePath(std::string_view linkPath);

// The archive's file name: the link path's last part, without query.
std::string ArchiveFileName(std::string_view linkPath);

// The page offers a digest for the archive when it names the digest's path.
bool OffersDigest(std::string_view page, std::string_view linkPath);

using Sha256Digest = std::array<uint8_t, 32>;

// The most bytes a digest or signature file may take.
constexpr size_t kMaxReleaseFile = 64 * 1024;

// The digest of fileName in a digest file as sha256sum writes it: lines of 64
// hex digits, blanks, an optional "*" and a file name (LF or CRLF). A file of
// a single line holding only the 64 digits stands for any name. Nothing when
// no line names the file, or the line that does is malformed.
std::optional<Sha256Digest> DigestFor(std::string_view file, std::string_view fileName);

// An ECDSA P-256 signature as r and s, 32 bytes each, big-endian: from the 64
// bytes r|s as they are, or from the DER form (a SEQUENCE of two INTEGERs,
// what "openssl dgst -sha256 -sign" writes). Nothing for anything else.
using EcdsaSignature = std::array<uint8_t, 64>;
std::optional<EcdsaSignature> ParseSignature(std::string_view bytes);

// The release-signing public key: the P-256 point's X and Y, 32 bytes each,
// big-endian; written as 128 hex digits.
using ReleaseKey = std::array<uint8_t, 64>;
std::optional<ReleaseKey> ParseReleaseKey(std::string_view hex);

}  // namespace kivu
