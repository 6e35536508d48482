// Browser cache and cookie cleaner.
#include "clean/InetCache.h"

void ClearInternetCache() {}
void DeleteInternetCookies() {}
