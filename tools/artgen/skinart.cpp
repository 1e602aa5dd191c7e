#include "artset.h"

void drawSkinArt(ArtSet& art)
{
    (void)art; // drawn in a later change
}
