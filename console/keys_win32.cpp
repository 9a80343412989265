// The keyboard layout's unmodified character of a virtual key.
#include "console/keys.h"

#include <windows.h>

int32_t keyVkCharacter(int32_t virtualKey) {
    if (virtualKey <= 0) return 0;
    return static_cast<int32_t>(MapVirtualKeyA(static_cast<UINT>(virtualKey), MAPVK_VK_TO_CHAR) &
                                0xFFFF);
}
