#include "update/httpparse.h"

#include <gtest/gtest.h>

using namespace kivu::http;

TEST(HttpAddress, SplitsHostPortAndTarget) {
    auto a = SplitAddress("http://archive.example.net/simcgi-bin/win95find.cgi?kivu");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->host, "archive.example.net");
    EXPECT_EQ(a->port, 80);
    EXPECT_EQ(a->authority, "archive.example.net");
    EXPECT_EQ(a->target, "/simcgi-bin/win95find.cgi?kivu");

    a = SplitAddress("HTTP://127.0.0.1:8123");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->host, "127.0.0.1");
    EXPECT_EQ(a->port, 8123);
    EXPECT_EQ(a->authority, "127.0.0.1:8123");
    EXPECT_EQ(a->target, "/");

    a = SplitAddress("http://h?q=1#part");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->target, "/?q=1");
    EXPECT_EQ(SplitAddress("http://h:65535/")->port, 65535);
}

TEST(HttpAddress, RefusesWhatTheClientCannotSpeakOrWouldMangle) {
    for (const char* bad : {"", "http://", "https://h/", "ftp://h/", "h/path", "http:/h", "http://:80/",
                            "http://h:/", "http://h:0/", "http://h:65536/", "http://h:8x/", "http://h:123456/",
                            "http://user@h/", "http://[::1]/", "http://h/a b", "http://h/a\r\nX: y",
                            "http://h/\x7F", "http://h\t/"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(SplitAddress(bad));
    }
    EXPECT_FALSE(SplitAddress("http://h/" + std::string(kMaxAddress, 'a')));
}

TEST(HttpAddress, LocationsResolveAgainstTheCurrentAddress) {
    const Address base = *SplitAddress("http://127.0.0.1:8000/pub/dir/kivu320.zip?x=1");
    auto to = [&](const char* location) {
        auto a = ResolveLocation(base, location);
        return a ? a->authority + a->target : std::string("(none)");
    };
    EXPECT_EQ(to("http://other:81/y"), "other:81/y");
    EXPECT_EQ(to("Http://other/y"), "other/y");
    EXPECT_EQ(to("/root?z"), "127.0.0.1:8000/root?z");
    EXPECT_EQ(to("next.zip"), "127.0.0.1:8000/pub/dir/next.zip");
    EXPECT_EQ(to("?y=2"), "127.0.0.1:8000/pub/dir/kivu320.zip?y=2");
    EXPECT_EQ(to("//mirror/a"), "mirror/a");
    // A colon later in a relative path is no scheme.
    EXPECT_EQ(to("/a:b"), "127.0.0.1:8000/a:b");
    for (const char* bad : {"", "https://h/", "ftp://h/x", "javascript:x", "mailto:a@b", "http://", "/a b"})
        EXPECT_EQ(to(bad), "(none)") << bad;
}

TEST(HttpRequest, BytesAreExactlyTheDesignedRequest) {
    EXPECT_EQ(RequestBytes(*SplitAddress("http://www.example.net/simcgi-bin/win95find.cgi?kivu")),
              "GET /simcgi-bin/win95find.cgi?kivu HTTP/1.0\r\n"
              "Host: www.example.net\r\n"
              "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
              "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n"
              "Content-type: application/x-www-form-urlencoded\r\n"
              "\r\n");
    // A port that was written is part of the Host line.
    const std::string r = RequestBytes(*SplitAddress("http://127.0.0.1:8000"));
    EXPECT_EQ(r.substr(0, r.find("Accept")), "GET / HTTP/1.0\r\nHost: 127.0.0.1:8000\r\n");
}

TEST(HttpStatusLine, ExactlyThreeDigitsAfterTheVersion) {
    EXPECT_EQ(ParseStatusLine("HTTP/1.0 200 OK"), 200);
    EXPECT_EQ(ParseStatusLine("HTTP/1.1 404 Not Found\r"), 404);
    EXPECT_EQ(ParseStatusLine("HTTP/1.0 302"), 302);
    EXPECT_EQ(ParseStatusLine("HTTP/10.01 599 x y z"), 599);
    for (const char* bad : {"", "HTTP/1.0", "HTTP/1.0 ", "HTTP/1.0 20", "HTTP/1.0 2000 OK", "HTTP/1.0 20x",
                            "HTTP/1.0 099 low", "HTTP/1.0 600 high", "http/1.0 200 OK", "HTTP/1 200 OK",
                            "HTTP/.0 200 OK", "HTTP/1.0  200 OK", "HTTP/1.0 200OK", "ICY 200 OK",
                            "<html>"}) {
        EXPECT_FALSE(ParseStatusLine(bad)) << bad;
    }
}

TEST(HttpHead, FieldsByNameInAnyCaseWithFoldingAndBareLineFeeds) {
    const auto head = ParseHead(
        "HTTP/1.0 302 Found\r\n"
        "LOCATION:   http://h/new  \r\n"
        "X-Long: first\r\n"
        " \t second\r\n"
        "\tthird\n"
        "not a field line\r\n"
        "Bad Name: x\r\n"
        ": no name\r\n"
        "content-length: 12");
    ASSERT_TRUE(head);
    EXPECT_EQ(head->status, 302);
    ASSERT_TRUE(head->Field("Location"));
    EXPECT_EQ(*head->Field("Location"), "http://h/new");
    EXPECT_EQ(*head->Field("x-long"), "first second third");
    EXPECT_EQ(head->Field("Bad Name"), nullptr);
    EXPECT_EQ(head->Field("Missing"), nullptr);
    EXPECT_EQ(head->contentLength, 12u);
    EXPECT_EQ(head->fields.size(), 3u);
}

TEST(HttpHead, MalformedBlocksFail) {
    EXPECT_TRUE(ParseHead("HTTP/1.0 200 OK"));
    EXPECT_FALSE(ParseHead(""));
    EXPECT_FALSE(ParseHead("garbage\r\nLocation: x"));
    EXPECT_FALSE(ParseHead("HTTP/1.0 200 OK\r\n continued nothing"));
    EXPECT_FALSE(ParseHead("HTTP/1.0 200 OK\r\nContent-Length: 12x"));
    EXPECT_FALSE(ParseHead("HTTP/1.0 200 OK\r\nContent-Length: -1"));
    EXPECT_FALSE(ParseHead("HTTP/1.0 200 OK\r\nContent-Length: 99999999999999999999"));
    EXPECT_FALSE(ParseHead("HTTP/1.0 200 OK\r\nContent-Length: 1\r\nContent-Length: 2"));
    const auto same = ParseHead("HTTP/1.0 200 OK\r\nContent-Length: 2\r\nContent-length: 2");
    ASSERT_TRUE(same);
    EXPECT_EQ(same->contentLength, 2u);
    EXPECT_FALSE(ParseHead("HTTP/1.0 200 OK")->contentLength);
}

TEST(HttpHeadReader, FindsTheEndInPiecesOfAnySizeAndKeepsTheBodyBytes) {
    const std::string reply = "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello";
    for (size_t piece : {size_t{1}, size_t{2}, size_t{3}, size_t{7}, reply.size()}) {
        SCOPED_TRACE(piece);
        HeadReader reader;
        HeadReader::State state = HeadReader::State::More;
        size_t at = 0;
        for (; at < reply.size() && state == HeadReader::State::More; at += piece)
            state = reader.Feed(std::string_view(reply).substr(at, piece));
        ASSERT_EQ(state, HeadReader::State::Done);
        EXPECT_EQ(reader.Result().contentLength, 5u);
        EXPECT_EQ(std::string(reader.Leftover()) + reply.substr(std::min(at, reply.size())), "hello");
    }
    HeadReader lf;
    ASSERT_EQ(lf.Feed("HTTP/1.0 404 Not Found\n\nbody"), HeadReader::State::Done);
    EXPECT_EQ(lf.Result().status, 404);
    EXPECT_EQ(lf.Leftover(), "body");
    // A CR at the end of one piece and the LF at the start of the next.
    HeadReader split;
    EXPECT_EQ(split.Feed("HTTP/1.0 200 OK\r\n\r"), HeadReader::State::More);
    EXPECT_EQ(split.Feed("\n"), HeadReader::State::Done);
    EXPECT_TRUE(split.Leftover().empty());
}

TEST(HttpHeadReader, AnOverlongOrBadHeadFails) {
    HeadReader endless;
    HeadReader::State state = endless.Feed("HTTP/1.0 200 OK\r\n");
    const std::string line = "X-Filler: " + std::string(1000, 'a') + "\r\n";
    size_t fed = 0;
    while (state == HeadReader::State::More && fed < 2 * kMaxHeadBytes) {
        state = endless.Feed(line);
        fed += line.size();
    }
    EXPECT_EQ(state, HeadReader::State::Failed);
    EXPECT_LE(fed, kMaxHeadBytes + line.size());

    HeadReader oneLine;  // no line end at all
    EXPECT_EQ(oneLine.Feed(std::string(kMaxHeadBytes + 1, 'x')), HeadReader::State::Failed);
    HeadReader bad;
    EXPECT_EQ(bad.Feed("<html>hello</html>\r\n\r\n"), HeadReader::State::Failed);
    EXPECT_EQ(bad.Feed("HTTP/1.0 200 OK\r\n\r\n"), HeadReader::State::Failed);  // stays failed
}
