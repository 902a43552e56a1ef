#pragma once

void loadSettings();
void saveSettings();
