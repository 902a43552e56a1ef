#include "commands/menu.h"

#include "plugin/plugin.h"
#include "settings/state.h"

struct StyleChoice {
    const char* title;
    const char* command;
};

static const StyleChoice styleChoices[] = {
    {"Toolbar", "@QVPeruserStyleType 1"}, {"Button", "@QVPeruserStyleType 2"},
    {"ButtonP", "@QVPeruserStyleType 3"}, {"Label", "@QVPeruserStyleType 4"},
    {"WinLabel", "@QVPeruserStyleType 5"}, {"Clock", "@QVPeruserStyleType 6"},
};

static Menu* buildPeruserMenu(bool popup) {
    Menu* menu = MakeNamedMenu("Peruser Configuration", "QVM_Peruser", popup);
    MakeMenuItem(menu, "Auto Reload", "@QVPeruserAutoReload", state.autoReload);
    MakeMenuItemString(menu, "Path to Input File", "@QVPeruserFilePath", state.filePath);
    MakeMenuItemInt(menu, "Reload Interval (sec)", "@QVPeruserReloadInterval",
                    state.reloadInterval, 1, 3600);
    MakeMenuItemInt(menu, "ReadBuffer Size", "@QVPeruserReadBufferSize", state.readBufferSize, 1,
                    65536);
    return menu;
}

static Menu* buildWindowMenu(bool popup) {
    Menu* menu = MakeNamedMenu("Window Configuration", "QVM_Config", popup);
    MakeMenuItemInt(menu, "Width Size", "@QVPeruserWidthSize", state.width, 10,
                    state.screenWidth);
    MakeMenuItemInt(menu, "Height Size", "@QVPeruserHeightSize", state.height, 10,
                    state.screenHeight);
    MakeMenuItemInt(menu, "Edge Size", "@QVPeruserEdgeSize", state.edgeSize, 1, 10);
    MakeMenuNOP(menu, NULL);
    if (state.slitWnd) MakeMenuItem(menu, "In Slit", "@QVPeruserInSlit", state.inSlit);
    MakeMenuItem(menu, "Plugin Toggle", "@QVPeruserPluginToggle", state.pluginToggle);
    MakeMenuItem(menu, "Always on Top", "@QVPeruserOnTop", state.alwaysontop);
    MakeMenuItem(menu, "Transparency", "@QVPeruserTransparent", state.transparency);
    MakeMenuItemInt(menu, "Alpha Value", "@QVPeruserAlphaValue", state.alpha, 0, 255);
    MakeMenuItem(menu, "Snap To Edge", "@QVPeruserSnapToEdge", state.snapWindow);
    MakeMenuItem(menu, "Show Border", "@QVPeruserShowBorder", state.showBorder);
    MakeMenuItem(menu, "Lock Position", "@QVPeruserLockPosition", state.lockPos);
    MakeMenuItem(menu, "Auto Hide", "@QVPeruserAutoHide", state.autoHide);
    MakeMenuNOP(menu, NULL);
    MakeMenuItem(menu, "Show Scroll", "@QVPeruserShowScroll", state.showScroll);
    return menu;
}

static Menu* buildFormatMenu(bool popup) {
    Menu* menu = MakeNamedMenu("Format", "QVM_Format", popup);
    MakeMenuItem(menu, "Word Wrap", "@QVPeruserWordWrap", state.wordWrap);
    state.fontMenu = MakeNamedMenu("Font", "QVM_Font", popup);
    MakeMenuItemInt(state.fontMenu, "Font Size", "@QVPeruserFontSize", state.fontHeight, 1, 64);
    MakeMenuItemString(state.fontMenu, "Font Face", "@QVPeruserFontFace", state.font);
    MakeMenuItem(state.fontMenu, "Font Color", "@QVPeruserFontColor", false);
    MakeMenuItem(state.fontMenu, "Browse...", "@QVPeruserSetFont", false);
    MakeSubmenu(menu, state.fontMenu, "Font");
    MakeMenuItem(menu, "Back Color", "@QVPeruserBackColor", false);
    return menu;
}

static Menu* buildStyleMenu(bool popup) {
    Menu* menu = MakeNamedMenu("Style Type", "QVM_StyleType", popup);
    for (int i = 0; i < 6; ++i) {
        MakeMenuItem(menu, styleChoices[i].title, styleChoices[i].command,
                     state.styleType == i + 1);
    }
    return menu;
}

static Menu* buildSettingsMenu(bool popup) {
    Menu* menu = MakeNamedMenu("Settings", "QVM_Settings", popup);
    MakeMenuItem(menu, "Edit Settings", "@QVPeruserEditRC", false);
    MakeMenuItem(menu, "Reload Settings", "@QVPeruserReloadSettings", false);
    MakeMenuItem(menu, "Save Settings", "@QVPeruserSaveSettings", false);
    return menu;
}

void releaseConfigMenu() {
    if (!state.mainMenu) return;
    DelMenu(state.mainMenu);
    state.mainMenu = NULL;
}

void buildConfigMenu(bool popup) {
    releaseConfigMenu();
    state.configMenu = buildPeruserMenu(popup);
    state.windowMenu = buildWindowMenu(popup);
    state.formatMenu = buildFormatMenu(popup);
    state.styleMenu = buildStyleMenu(popup);
    state.settingsMenu = buildSettingsMenu(popup);
    state.mainMenu = MakeNamedMenu(PluginName, "QVM_Main", popup);
    MakeSubmenu(state.mainMenu, state.configMenu, "Peruser Configuration");
    MakeSubmenu(state.mainMenu, state.windowMenu, "Window Configuration");
    MakeSubmenu(state.mainMenu, state.formatMenu, "Format");
    MakeSubmenu(state.mainMenu, state.styleMenu, "Style Type");
    MakeSubmenu(state.mainMenu, state.settingsMenu, "Settings");
    MakeMenuItem(state.mainMenu, "About", "@QVPeruserAbout", false);
    ShowMenu(state.mainMenu);
}
