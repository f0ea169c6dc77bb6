// libFuzzer target for the live update's handling of what a server sends:
// addresses and locations, status lines and header blocks (also in pieces),
// the release link. Checks that nothing reads outside its input and that
// the results keep their promises.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "update/httpparse.h"
#include "update/release.h"

using namespace kivu;

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        fprintf(stderr, "http_fuzz: %s\n", what);
        abort();
    }
}

void CheckAddress(const http::Address& a) {
    Check(!a.host.empty() && a.port != 0, "address without host or port");
    Check(!a.target.empty() && a.target[0] == '/', "target not from the root");
    for (char c : a.target) Check(static_cast<unsigned char>(c) > 0x20 && c != 0x7F, "blank or control in target");
    const std::string request = http::RequestBytes(a);
    size_t lines = 0;
    for (size_t at = request.find("\r\n"); at != std::string::npos; at = request.find("\r\n", at + 2)) ++lines;
    Check(lines == 6, "request has other than six lines");
    Check(request.find('\n') == request.find("\r\n") + 1, "bare line feed in request");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    if (auto a = http::SplitAddress(input)) CheckAddress(*a);
    static const http::Address base = *http::SplitAddress("http://127.0.0.1:8000/pub/dir/kivu320.zip?x=1");
    if (auto a = http::ResolveLocation(base, input)) CheckAddress(*a);

    if (auto status = http::ParseStatusLine(input)) Check(*status >= 100 && *status <= 599, "status out of range");
    if (auto head = http::ParseHead(input)) Check(head->status >= 100 && head->status <= 599, "head status");

    // The same bytes as a reply arriving in pieces of a size the first byte picks.
    const size_t piece = size ? 1 + data[0] % 64 : 1;
    http::HeadReader reader;
    size_t fed = 0;
    while (fed < size && reader.GetState() == http::HeadReader::State::More) {
        const std::string_view next = input.substr(fed, piece);
        reader.Feed(next);
        fed += next.size();
    }
    if (reader.GetState() == http::HeadReader::State::Done) {
        const std::string_view left = reader.Leftover();
        Check(left.size() <= fed && input.substr(fed - left.size(), left.size()) == left, "leftover not the body");
    }

    if (auto path = FindLinkPath(input)) {
        Check(path->size() <= kMaxLinkPath, "link too long");
        Check(path->find(kReleaseLinkClose) == std::string::npos, "closing sequence in link");
        const std::string digits = NewVersionDigits(*path);
        Check(digits.size() <= 3 && ProposedFileName(*path).size() <= 11, "parts too long");
        VersionText(digits);
        ParseDecimal(digits);
    }
    RunningVersionNumber(RunningVersion(input));
    return 0;
}
