#pragma once

#include <QList>
#include <QSize>
#include <QString>

// Damaged, lying, mislabelled and oddly named media files for the
// robustness tests, made from small good clips in the test media folder.
namespace hostilemedia {

struct Case {
    QString label;
    QString path;
    // True when the file holds nothing playable, so opening it must be
    // refused; otherwise it may be refused or played as far as it goes.
    bool mustRefuse = false;
    // True for good media under an odd name: it must open.
    bool mustOpen = false;
};

// Every case, in a fixed order; the files are written on first use.
QList<Case> cases();

// Good video in shapes that stress the picture path: turned by the
// container, odd sizes, non-square pixels, a size that changes mid-stream,
// tiny and 8K pictures, display matrices that are not quarter turns. They
// are among cases() too, all of them must open.
struct OddPicture {
    QString label;
    QString path;
    QSize shown; // the displayed size at the start
};
QList<OddPicture> oddPictures();

// Good files to open after the hostile ones: a video clip, a WAV and a MIDI song.
QString goodVideo();
QString goodWav();
QString goodMidi();

} // namespace hostilemedia
