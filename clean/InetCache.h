// Browser cache and cookie cleaner.
#pragma once

// Deletes every URL-cache entry whose URL begins with `pattern` ("*": every entry)
// and contains neither exclusion (each may be null); all compared in upper case.
// The number deleted is added to the counter `counterName`.
void ClearIECache(const char* pattern, const char* exclusion1, const char* exclusion2, const char* counterName);

// Reads "ClearInetCache": everything but cookies and history.
void ClearInternetCache();
// Reads "DeleteCookies" and "KeepQRCookie": cookies, perhaps sparing the product's own.
void DeleteInternetCookies();

