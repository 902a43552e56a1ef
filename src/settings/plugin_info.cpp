#include "settings/plugin_info.h"

const char PluginName[] = "QVPeruser";

const char* const infoStrings[7] = {
    "QVPeruser 0.0.3",
    PluginName,
    "0.0.3",
    "The QVPeruser developers",
    "2007-03-17",
    "",
    "The QVPeruser developers' issue tracker",
};
