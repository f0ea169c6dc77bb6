#include "fileprops/namerules.h"

#include <algorithm>
#include <optional>

#include "common/convert.h"
#include "common/utf8.h"

namespace kivu {

namespace {

constexpr size_t npos = std::string::npos;
constexpr int64_t kMaxCounterWidth = 255;

// The pattern being worked on, with one flag per character: set for the
// pattern's own characters, clear for text that a placeholder put in.
class WorkText {
public:
    explicit WorkText(std::string_view pattern) : text_(pattern), own_(pattern.size(), '\1') {}

    // Leftmost occurrence of key at or after from whose "[" is the pattern's own.
    size_t Find(std::string_view key, size_t from) const {
        for (size_t at = text_.find(key, from); at != npos; at = text_.find(key, at + 1))
            if (own_[at]) return at;
        return npos;
    }
    size_t FindFrom(char c, size_t from) const { return text_.find(c, from); }
    std::string_view Sub(size_t at, size_t count) const { return std::string_view(text_).substr(at, count); }

    void Replace(size_t at, size_t count, std::string_view value) {
        text_.replace(at, count, value);
        own_.replace(at, count, value.size(), '\0');
    }
    std::string Take() { return std::move(text_); }

private:
    std::string text_;
    std::string own_;
};

// Where the search for the next leftmost key may start after a replacement
// at k: an occurrence further left would lie wholly in the unchanged text
// before k and would have been the leftmost one already.
size_t RestartAt(size_t k, size_t keyLength) { return k >= keyLength - 1 ? k - (keyLength - 1) : 0; }

void ReplaceAll(WorkText& p, std::string_view key, std::string_view value) {
    size_t from = 0;
    for (size_t k; (k = p.Find(key, from)) != npos;) {
        p.Replace(k, key.size(), value);
        from = RestartAt(k, key.size());
    }
}

// count characters of s from the 1-based index; an index below 1 reads from the
// start without shortening count. Characters, not bytes: a piece never holds
// half of one.
std::string_view Copy(std::string_view s, int64_t index, int64_t count) {
    const int64_t start = index < 1 ? 0 : index - 1;
    if (count <= 0 || start >= static_cast<int64_t>(s.size())) return {};
    const std::string_view rest = s.substr(utf8::OffsetOf(s, static_cast<size_t>(start)));
    return utf8::Head(rest, static_cast<size_t>(count));
}

// Every "<key>a,b]" piece of source. False when a piece has no comma (the
// preview stops).
bool ReplacePieces(WorkText& p, std::string_view key, std::string_view source, PatternError& err) {
    size_t from = 0;
    for (size_t k; (k = p.Find(key, from)) != npos;) {
        const size_t close = p.FindFrom(']', k + key.size());
        if (close == npos) {
            err.stopped = true;  // no "]": an empty token, so no comma either
            return false;
        }
        const size_t tokenLength = close - k + 1;
        const std::string_view inner =
            tokenLength > key.size() + 2 ? p.Sub(k + key.size(), tokenLength - key.size() - 2) : std::string_view();
        const size_t comma = inner.find(',');
        if (comma == npos) {
            err.stopped = true;
            return false;
        }
        const auto a = TryStrToInt(inner.substr(0, comma));
        const auto b = TryStrToInt(inner.substr(comma + 1));
        std::string_view piece;
        if (a && b) {
            piece = Copy(source, *a, static_cast<int64_t>(*b) - *a + 1);
        } else {
            piece = Copy(source, a ? *a : 1, 1);
            err.badNumber = true;
        }
        p.Replace(k, tokenLength, piece);
        err.marked = true;
        from = RestartAt(k, key.size());
    }
    err.marked = true;
    return true;
}

// The counter's text for what lies between "[N" and "]".
std::string CounterText(int rowIndex, std::string_view inner) {
    int64_t width = 0, offset = 0;
    bool zeros = false;
    if (!inner.empty() && inner[0] == ':') {
        const std::string_view rest = inner.substr(1);
        const size_t colon = rest.find(':');
        const std::string_view widthText = colon != npos ? rest.substr(0, colon) : rest;
        if (colon != npos) {
            const auto w = TryStrToInt(widthText);
            const auto o = TryStrToInt(rest.substr(colon + 1));
            if (w && o) {
                width = *w;
                offset = *o;
            }
        } else if (const auto w = TryStrToInt(widthText)) {
            width = *w;
        }
        zeros = IsZeroPaddedWidth(widthText);
    }
    const int64_t value = static_cast<int64_t>(rowIndex) + offset;
    std::string text = std::to_string(value);
    width = std::min(width, kMaxCounterWidth);
    if (width > static_cast<int64_t>(text.size())) {
        const size_t fill = static_cast<size_t>(width) - text.size();
        // Zeros go between the sign and the digits: -05, not 0-5.
        if (zeros) text.insert(value < 0 ? 1 : 0, fill, '0');
        else text.insert(0, fill, ' ');
    }
    return text;
}

// Every "[N]" (leftmost first), else the leftmost "[N:", until none is left.
void ReplaceCounters(WorkText& p, int rowIndex) {
    size_t fromPlain = 0, fromColon = 0;
    for (;;) {
        size_t k = p.Find("[N]", fromPlain);
        if (k == npos) k = p.Find("[N:", fromColon);
        if (k == npos) return;
        const size_t close = p.FindFrom(']', k + 2);
        // Without a "]" only the "[N" goes.
        const size_t tokenLength = close == npos ? 2 : close - k + 1;
        const std::string_view inner = close == npos ? std::string_view() : p.Sub(k + 2, close - k - 2);
        p.Replace(k, tokenLength, CounterText(rowIndex, inner));
        const size_t back = RestartAt(k, 3);
        fromPlain = back;
        fromColon = std::min(fromColon, back);
    }
}

}  // namespace

bool IsZeroPaddedWidth(std::string_view width) {
    return width.size() >= 2 && width[0] == '0' && width.find_first_not_of("0123456789") == npos;
}

std::string_view ExtensionOf(std::string_view source) {
    const size_t at = source.find_last_of(".\\:");
    if (at == npos || source[at] != '.') return {};
    return source.substr(at);
}

std::string_view NamePartOf(std::string_view source) {
    const std::string_view name = source.substr(0, source.size() - ExtensionOf(source).size());
    return name.empty() ? source : name;
}

std::string ApplyNamePattern(std::string_view pattern, std::string_view source, int rowIndex, PatternError& err) {
    err = PatternError{};
    const std::string_view ext = ExtensionOf(source);
    const std::string_view name = NamePartOf(source);
    WorkText p(pattern);
    ReplaceAll(p, "[Ext]", ext);
    ReplaceAll(p, "[Name]", name);
    if (!ReplacePieces(p, "[Name(", name, err)) return {};
    if (!ReplacePieces(p, "[Ext(", ext, err)) return {};
    ReplaceCounters(p, rowIndex);
    return p.Take();
}

std::string DateModeValue(const CalTime& target) {
    std::string s = FormatMoment(target);
    if (s.size() == 10) s += " 00:00:00";
    for (char& c : s)
        if (c != ' ' && (c < '0' || c > '9')) c = '.';
    if (s.size() >= 13 && s[12] == '.') s.insert(11, 1, '0');  // a one-digit hour
    return s;
}

bool Preview(FileList& list, const PreviewInput& input) {
    auto& rows = list.Rows();
    switch (list.CurrentMode()) {
        case Mode::Name:
            list.SetErrorLine({});
            for (size_t i = 0; i < rows.size(); ++i) {
                PatternError err;
                std::string value = ApplyNamePattern(input.pattern, rows[i].current, static_cast<int>(i), err);
                if (err.marked) rows[i].mark = kMarkPreview;
                if (err.stopped) {
                    list.SetErrorLine(list.Text(kTextPieceWithoutComma));
                    // Nothing is renamed while the pattern stops: no row is in conflict.
                    for (Row& r : rows) r.problem = Problem::None;
                    list.SetConflictCount(0);
                    return false;
                }
                if (err.badNumber) list.SetErrorLine(list.Text(kTextPieceBadNumber));
                rows[i].newValue = std::move(value);
            }
            list.SetConflictCount(MarkConflicts(list, list.FolderNames()));
            for (Row& r : rows)
                if (r.problem != Problem::None) r.mark = kMarkConflict;
            return true;

        case Mode::Date: {
            const std::string value = DateModeValue(input.target);
            list.SetConflictCount(0);
            for (Row& r : rows) {
                r.newValue = value;
                r.mark = kMarkNone;
                r.problem = Problem::None;
            }
            return true;
        }

        case Mode::Attribute:
            list.SetConflictCount(0);
            for (Row& r : rows) {
                r.newValue = input.attributes;
                r.mark = kMarkNone;
                r.problem = Problem::None;
            }
            return true;
    }
    return true;
}

}  // namespace kivu
