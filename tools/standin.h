// A stand-in for the context-menu handler: it starts kivuutil.exe and talks
// to it through the handler's own link (named events, atom messages). Unlike
// the handler it ends a child that is still running when it goes.
#pragma once
#include <string>

#include "link/kivulink.h"

namespace standin {

class Handler : public kivumenu::KivuutilLink {
public:
    explicit Handler(std::string exePath) : KivuutilLink(std::move(exePath), true) {}
};

// Folder of the running program, with a trailing backslash.
std::string OwnFolder();

}  // namespace standin
