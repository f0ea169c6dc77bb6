#include "update/location.h"

#include <gtest/gtest.h>

using kivu::ResolveLocation;

TEST(Location, AbsoluteRootedAndRelativeLocations) {
    const std::string base = "http://127.0.0.1:8000/pub/dir/kivu320.zip?size=10#top";
    EXPECT_EQ(ResolveLocation(base, "https://other:8443/x?y"), "https://other:8443/x?y");
    EXPECT_EQ(ResolveLocation(base, "ftp://other/x"), "ftp://other/x");  // the client refuses it
    EXPECT_EQ(ResolveLocation(base, "//other/x"), "http://other/x");
    EXPECT_EQ(ResolveLocation(base, "/x.zip?a=1"), "http://127.0.0.1:8000/x.zip?a=1");
    EXPECT_EQ(ResolveLocation(base, "kivu321.zip?size=12"), "http://127.0.0.1:8000/pub/dir/kivu321.zip?size=12");
    EXPECT_EQ(ResolveLocation(base, "../up.zip"), "http://127.0.0.1:8000/pub/dir/../up.zip");
    EXPECT_EQ(ResolveLocation(base, "?size=5"), "http://127.0.0.1:8000/pub/dir/kivu320.zip?size=5");
    EXPECT_EQ(ResolveLocation(base, "x.zip#part"), "http://127.0.0.1:8000/pub/dir/x.zip");
}

TEST(Location, BasesWithoutAPathAndWhatLeadsNowhere) {
    EXPECT_EQ(ResolveLocation("http://host", "a.zip"), "http://host/a.zip");
    EXPECT_EQ(ResolveLocation("http://host?q", "a.zip"), "http://host/a.zip");
    EXPECT_EQ(ResolveLocation("http://host", "?q"), "http://host/?q");
    EXPECT_EQ(ResolveLocation("https://host:1/a/b", "c"), "https://host:1/a/c");
    EXPECT_FALSE(ResolveLocation("http://host/a", ""));
    EXPECT_FALSE(ResolveLocation("http://host/a", "#only"));
    EXPECT_FALSE(ResolveLocation("no scheme", "a.zip"));
    // A colon after a slash is no scheme.
    EXPECT_EQ(ResolveLocation("http://host/a/b", "x/y:z"), "http://host/a/x/y:z");
}
