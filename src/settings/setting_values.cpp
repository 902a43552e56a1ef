#include "settings/setting_values.h"

int positionOnScreen(int position, int screenExtent) {
    return position >= screenExtent ? FallbackPosition : position;
}
