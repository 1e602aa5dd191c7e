#include "uprightvideo.h"

#include <gtest/gtest.h>

TEST(UprightVideo, EachRotationGetsTheFilterThatUndoesIt)
{
    // mpv's rotation is clockwise; angles between quarter turns go to the
    // nearest one, and any whole number of turns is none.
    struct Case {
        int degrees;
        const char* filter;
    };
    for (const Case& c : {Case{0, ""}, Case{360, ""}, Case{-360, ""}, Case{44, ""}, Case{316, ""},
                          Case{90, "lavfi-transpose=dir=clock"}, Case{45, "lavfi-transpose=dir=clock"},
                          Case{-270, "lavfi-transpose=dir=clock"}, Case{180, "lavfi-hflip,lavfi-vflip"},
                          Case{-180, "lavfi-hflip,lavfi-vflip"}, Case{270, "lavfi-transpose=dir=cclock"},
                          Case{-90, "lavfi-transpose=dir=cclock"}, Case{630, "lavfi-transpose=dir=cclock"}})
        EXPECT_EQ(mci::uprightFilter(c.degrees), c.filter) << c.degrees;
}
