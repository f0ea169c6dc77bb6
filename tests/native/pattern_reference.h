// The name pattern replacement in its plain form: every loop searches the
// whole text again after each replacement. It ends for every source without
// "[" (each replacement removes one "[" and puts none in), and for those the
// engine must give exactly its result. Used by the tests and the fuzz target;
// ASCII only.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "common/convert.h"

namespace reference {

struct Outcome {
    std::string text;
    bool stopped = false;
    bool badNumber = false;
};

inline std::string CopyOf(const std::string& s, int64_t index, int64_t count) {
    const int64_t start = (index < 1 ? 1 : index) - 1;
    if (start >= static_cast<int64_t>(s.size()) || count <= 0) return "";
    return s.substr(static_cast<size_t>(start), static_cast<size_t>(count));
}

inline Outcome ApplyPattern(const std::string& pattern, const std::string& source, int64_t row) {
    Outcome out;
    const size_t dot = source.find_last_of(".\\:");
    const std::string ext = (dot != std::string::npos && source[dot] == '.') ? source.substr(dot) : "";
    std::string name = source.substr(0, source.size() - ext.size());
    if (name.empty()) name = source;

    std::string p = pattern;
    size_t k;
    while ((k = p.find("[Ext]")) != std::string::npos) p.replace(k, 5, ext);
    while ((k = p.find("[Name]")) != std::string::npos) p.replace(k, 6, name);

    for (const auto& [key, src] : {std::pair<std::string, std::string>{"[Name(", name}, {"[Ext(", ext}}) {
        while ((k = p.find(key)) != std::string::npos) {
            const size_t close = p.find(']', k);
            const std::string token = close == std::string::npos ? "" : p.substr(k, close - k + 1);
            p.erase(k, token.size());
            const std::string inner =
                token.size() > key.size() + 2 ? token.substr(key.size(), token.size() - key.size() - 2) : "";
            const size_t comma = inner.find(',');
            if (comma == std::string::npos) {
                out.stopped = true;
                return out;
            }
            const auto a = kivu::TryStrToInt(inner.substr(0, comma));
            const auto b = kivu::TryStrToInt(inner.substr(comma + 1));
            std::string piece;
            if (a && b) {
                piece = CopyOf(src, *a, int64_t{*b} - *a + 1);
            } else {
                piece = CopyOf(src, a ? *a : 1, 1);
                out.badNumber = true;
            }
            p.insert(k, piece);
        }
    }

    for (;;) {
        k = p.find("[N]");
        if (k == std::string::npos) k = p.find("[N:");
        if (k == std::string::npos) break;
        const size_t close = p.find(']', k + 2);
        std::string inner;
        if (close == std::string::npos) {
            p.erase(k, 2);
        } else {
            inner = p.substr(k + 2, close - k - 2);
            p.erase(k, close - k + 1);
        }
        int64_t w = 0, o = 0;
        bool zeros = false;
        if (!inner.empty() && inner[0] == ':') {
            inner.erase(0, 1);
            const size_t colon = inner.find(':');
            const std::string wt = colon == std::string::npos ? inner : inner.substr(0, colon);
            zeros = wt.size() >= 2 && wt[0] == '0' && wt.find_first_not_of("0123456789") == std::string::npos;
            const auto wv = kivu::TryStrToInt(wt);
            const auto ov = colon == std::string::npos ? std::optional<int32_t>(0)
                                                       : kivu::TryStrToInt(inner.substr(colon + 1));
            if (wv && ov) w = *wv, o = *ov;
        }
        std::string number = std::to_string(row + o);
        if (w > 255) w = 255;
        while (static_cast<int64_t>(number.size()) < w) number.insert(zeros && row + o < 0 ? 1 : 0, zeros ? "0" : " ");
        p.insert(k, number);
    }
    out.text = p;
    return out;
}

}  // namespace reference
