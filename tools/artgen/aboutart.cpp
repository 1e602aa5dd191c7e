#include "artset.h"

void drawAboutArt(ArtSet& art)
{
    (void)art; // drawn in a later change
}
