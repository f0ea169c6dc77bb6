#include "fileprops/placement.h"

#include <gtest/gtest.h>

using kivu::Box;
using kivu::ClampToArea;

TEST(Placement, ABoxIsKeptOnTheVisibleScreen) {
    const Box screen{0, 0, 1280, 1000};
    EXPECT_EQ(ClampToArea({100, 50, 600, 400}, screen), (Box{100, 50, 600, 400}));  // inside: as it was
    EXPECT_EQ(ClampToArea({1200, 900, 600, 400}, screen), (Box{680, 600, 600, 400}));
    EXPECT_EQ(ClampToArea({-500, -20, 600, 400}, screen), (Box{0, 0, 600, 400}));
    EXPECT_EQ(ClampToArea({10, 10, 2000, 3000}, screen), (Box{0, 0, 1280, 1000}));  // larger than the screen
    // A second monitor left of the first, with a taskbar at its top.
    EXPECT_EQ(ClampToArea({-2000, 0, 600, 400}, {-1920, 40, 1920, 1040}), (Box{-1920, 40, 600, 400}));
}
