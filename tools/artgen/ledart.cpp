#include "artset.h"

void drawLedArt(ArtSet& art)
{
    (void)art; // drawn in a later change
}
