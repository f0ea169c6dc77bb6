// The live update's reading of the archive's answer: the release link, the
// versions and the decision. No windows.h: tested natively.
#pragma once
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

}  // namespace kivu
