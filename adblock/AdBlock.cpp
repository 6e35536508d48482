// Ad blocking as the rest of the program sees it.
#include "adblock/AdBlock.h"

bool IsAdBlockingActive()
{
    return false;
}

bool RestorePreviousProxyConfig()
{
    return true;
}
