#include "settings/plugin_info.h"

const char PluginName[] = PLUGIN_NAME;

const char* const infoStrings[7] = {
    PLUGIN_NAME " " PLUGIN_VERSION,
    PluginName,
    PLUGIN_VERSION,
    "The QVPeruser developers",
    "2007-03-17",
    "",
    "The QVPeruser developers' issue tracker",
};
