#include "link/handlerlink.h"

#include "common/convert.h"

namespace kivu {

std::vector<std::string> SplitCommandLine(const std::string& line) {
    std::vector<std::string> args;
    size_t i = 0;
    const auto blank = [&](size_t k) { return static_cast<unsigned char>(line[k]) <= ' '; };
    for (;;) {
        while (i < line.size() && blank(i)) ++i;
        if (i >= line.size()) break;
        std::string arg;
        while (i < line.size() && !blank(i)) {
            if (line[i] == '"') {
                ++i;
                for (; i < line.size(); ++i) {
                    if (line[i] != '"') {
                        arg += line[i];
                    } else if (i + 1 < line.size() && line[i + 1] == '"') {
                        arg += line[i++];  // a doubled quote inside quotes stands for one
                    } else {
                        break;
                    }
                }
                if (i < line.size()) ++i;
            } else {
                arg += line[i++];
            }
        }
        args.push_back(arg);
    }
    return args;
}

std::string MarkPattern(const std::string& pattern, bool add) {
    std::string bare = !pattern.empty() && pattern[0] == kAddToSelectionMark ? pattern.substr(1) : pattern;
    return add ? kAddToSelectionMark + bare : bare;
}

int ModeFromArguments(const std::vector<std::string>& args) {
    if (args.size() < 2) return 999;
    return TryStrToInt(args[1]).value_or(999);
}

}  // namespace kivu
