// The ad-block server's answers that need the system: PAC files read from disk
// (with their cache) and the tally of blocked ads.
#pragma once
#include <windows.h>
#include <string>

// Seconds since 1970 as the PAC cache sees them; tests put a fake clock in.
using ServerClock = DWORD (*)();
void SetServerClock(ServerClock clock);    // NULL: the system clock

// Produces the 200 answer for a joined path: three blanks for an ad (tallied),
// the PAC file (read at most once a minute per path) for a PAC request.  False
// when the PAC file cannot be read.
bool HandleRequest(const std::string& path, std::string& body, std::string& contentType);

// Refuses a tunnel to `host`: the PAC script sends only listed hosts to us, so
// it is an ad over HTTPS and tallied like one.
void HandleTunnel(const std::string& host);

// "AdsBlocked" lives in the registry, and writing it costs more than answering
// the request, so blocked ads are tallied here and written by FlushBlockedAds,
// which the server calls a second after the first unwritten one.
bool HaveUnwrittenBlockedAds();
void FlushBlockedAds();
