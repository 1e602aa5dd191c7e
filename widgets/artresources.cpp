#include "artnames.h"

#include <QtGlobal>

// Outside any namespace, as resource registration requires.
static void registerArt()
{
    Q_INIT_RESOURCE(art);
}

void artnames::initArtResources()
{
    static const bool registered = (registerArt(), true);
    (void)registered;
}
