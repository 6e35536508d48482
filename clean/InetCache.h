// Browser cache and cookie cleaner.
#pragma once

void ClearInternetCache();
void DeleteInternetCookies();
