// Request checks and body pieces of the ad-block server, the parts no client can see.
#include "TestSupport.h"
#include "adblock/HttpRequest.h"

namespace {

struct ParseCase {
    const char* request;
    RequestVerdict verdict;
    const char* joined;
};

TEST(ServerTest, RequestsAreJoinedToTheRootOrRefused)
{
    const ParseCase cases[] = {
        {"GET /QuillrestAdBlocker_x.pac HTTP/1.1\r\n\r\n", RequestVerdict::Handle, "C:\\pac/QuillrestAdBlocker_x.pac"},
        {"gEt / HTTP/1.0\n\n", RequestVerdict::Handle, "C:\\pac/index.html"},
        {"  GET   http://ads.example/a.gif\n\n", RequestVerdict::Handle, "C:\\pachttp://ads.example/a.gif"},
        {"GET\n\n", RequestVerdict::BadRequest, ""},
        {"HEAD / HTTP/1.1\r\n\r\n", RequestVerdict::NotImplemented, ""},
        {"Connect ads.example:443 HTTP/1.1\r\n\r\n", RequestVerdict::Tunnel, "ads.example:443"},
        {"CONNECT\n\n", RequestVerdict::BadRequest, ""},
        {"POST /a..b HTTP/1.1\r\n\r\n", RequestVerdict::BadRequest, ""},
        // A PAC file is a plain name directly in the root: no stream, device or missing slash.
        {"GET /QuillrestAdBlocker_x.pac:s HTTP/1.1\r\n\r\n", RequestVerdict::BadRequest, ""},
        {"GET /nul.QuillrestAdBlocker_x.pac HTTP/1.1\r\n\r\n", RequestVerdict::BadRequest, ""},
        {"GET QuillrestAdBlocker_x.pac HTTP/1.1\r\n\r\n", RequestVerdict::BadRequest, ""},
        {"GET /sub\\QuillrestAdBlocker_x.pac HTTP/1.1\r\n\r\n", RequestVerdict::BadRequest, ""},
    };
    for (const ParseCase& c : cases) {
        std::string joined = "stale";
        EXPECT_EQ(ParseRequestText(c.request, "C:\\pac", joined), c.verdict) << c.request;
        EXPECT_EQ(joined, c.joined) << c.request;
    }
    // The joined path must leave room for the NUL of a 2048-byte buffer.
    std::string joined;
    const std::string fits = "/" + std::string(2047 - 6 - 1, 'p');
    EXPECT_EQ(ParseRequestText("GET " + fits + " HTTP/1.1\n\n", "C:\\pac", joined), RequestVerdict::Handle);
    EXPECT_EQ(joined.size(), 2047u);
    EXPECT_EQ(ParseRequestText("GET " + fits + "p HTTP/1.1\n\n", "C:\\pac", joined), RequestVerdict::BadRequest);
}

TEST(ServerTest, ExactlyOnePieceOfBodyIsFollowedByAnEmptyOne)
{
    auto pieces = [](size_t size) {
        std::string sizes;
        for (;;) {
            BodyPiece piece = NextBodyPiece(size);
            sizes += std::to_string(piece.length) + (piece.last ? "." : ",");
            size -= piece.length;
            if (piece.last)
                return sizes;
        }
    };
    EXPECT_EQ(pieces(3), "3.");
    EXPECT_EQ(pieces(1024), "1024,0.");
    EXPECT_EQ(pieces(2500), "1024,1024,452.");
    EXPECT_EQ(pieces(0), "0.");
}

} // namespace
