// libFuzzer target for the live update's reading of what a server sends: the
// release link and its parts, the digest file, the signature and where a
// redirect leads. Checks that
// nothing reads outside its input and that the results keep their promises.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "update/location.h"
#include "update/release.h"

using namespace kivu;

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        fprintf(stderr, "release_fuzz: %s\n", what);
        abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    if (auto path = FindLinkPath(input)) {
        Check(path->size() <= kMaxLinkPath, "link too long");
        Check(path->find(kReleaseLinkClose) == std::string::npos, "closing sequence in link");
        const std::string digits = NewVersionDigits(*path);
        Check(digits.size() <= 3 && ProposedFileName(*path).size() <= 11, "parts too long");
        VersionText(digits);
        ParseDecimal(digits);
        const std::string name = ArchiveFileName(*path);
        Check(name.find_first_of("/?#") == std::string::npos, "archive name with a separator");
        Check(DigestPath(*path).find('?') == std::string::npos, "digest path with a query");
        OffersDigest(input, *path);
    }
    RunningVersionNumber(RunningVersion(input));
    ArchiveBase(input);

    // The digest file, for the name on its first line's end and for a fixed one;
    // a digest found must come from a line that holds one.
    const std::string_view firstLine = input.substr(0, input.find('\n'));
    const std::string_view lastWord = firstLine.substr(firstLine.find_last_of(" *") + 1);
    const auto named = DigestFor(input, lastWord);
    DigestFor(input, "kivu320.zip");
    if (named) {
        size_t longest = 0;
        for (std::string_view rest = input; !rest.empty();) {
            const size_t end = rest.find('\n');
            longest = std::max(longest, rest.substr(0, end).size());
            rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        }
        Check(longest >= 64, "a digest from a short line");
    }

    if (auto to = ResolveLocation("https://127.0.0.1:8443/pub/dir/kivu320.zip?x=1", input)) {
        Check(!to->empty() && to->find('#') == std::string::npos, "location with a fragment");
    }

    if (auto rs = ParseSignature(input)) Check(input.size() == 64 || input.size() <= 72, "signature size");
    return 0;
}
