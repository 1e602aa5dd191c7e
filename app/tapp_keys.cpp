// Keyboard control of the main window and the names screen readers read.
#include "tapp.h"

#include "gtabbutton.h"
#include "mediacommands.h"
#include "rxslider.h"
#include "txvideowindow.h"
#include "vrprogressbar.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include <cmath>

const std::vector<Tapp::TKeyBinding>& Tapp::KeyBindings()
{
    using Qt::Key;
    static const std::vector<TKeyBinding> bindings = {
        {QKeyCombination(Key::Key_Space), nullptr, &Tapp::KeyPlayOrPause, false},
        {QKeyCombination(Key::Key_Left), &Tapp::ButtonFrameBack, nullptr, true},
        {QKeyCombination(Key::Key_Right), &Tapp::ButtonFrameForward, nullptr, true},
        {QKeyCombination(Qt::ControlModifier, Key::Key_Left), &Tapp::ButtonRewind, nullptr, true},
        {QKeyCombination(Qt::ControlModifier, Key::Key_Right), &Tapp::ButtonForward, nullptr, true},
        {QKeyCombination(Key::Key_Home), nullptr, &Tapp::KeyToStart, false},
        {QKeyCombination(Key::Key_Up), nullptr, &Tapp::KeyVolumeUp, true},
        {QKeyCombination(Key::Key_Down), nullptr, &Tapp::KeyVolumeDown, true},
        {QKeyCombination(Qt::ControlModifier, Key::Key_O), &Tapp::ButtonLoad, nullptr, false},
        {QKeyCombination(Qt::ControlModifier, Key::Key_S), &Tapp::ButtonCapture, nullptr, false},
        {QKeyCombination(Key::Key_Plus), &Tapp::ButtonBigger, nullptr, true},
        // "+" shares its key with "=" on many layouts.
        {QKeyCombination(Key::Key_Equal), &Tapp::ButtonBigger, nullptr, true},
        {QKeyCombination(Key::Key_Minus), &Tapp::ButtonSmaller, nullptr, true},
        {QKeyCombination(Qt::ControlModifier, Key::Key_0), &Tapp::ButtonNormalSize, nullptr, false},
        {QKeyCombination(Key::Key_F), nullptr, &Tapp::KeyMaximiseOrRestore, false},
        {QKeyCombination(Key::Key_F1), &Tapp::ButtonAbout, nullptr, false},
    };
    return bindings;
}

QList<QKeySequence> Tapp::Keys()
{
    QList<QKeySequence> keys;
    for (const TKeyBinding& binding : KeyBindings())
        if (binding.key.key() != Qt::Key_Equal) // documented as "+"
            keys << QKeySequence(binding.key);
    return keys;
}

bool Tapp::KeyCommand(QKeyCombination key, bool autoRepeat)
{
    // The keypad's keys act like the main ones; "+" and "-" are typed with
    // Shift on some layouts.
    Qt::KeyboardModifiers modifiers = key.keyboardModifiers() & ~Qt::KeypadModifier;
    if (key.key() == Qt::Key_Plus || key.key() == Qt::Key_Minus || key.key() == Qt::Key_Equal)
        modifiers &= ~Qt::ShiftModifier;
    const QKeyCombination wanted(modifiers, key.key());
    for (const TKeyBinding& binding : KeyBindings()) {
        if (binding.key != wanted)
            continue;
        // A held key must not toggle, open dialogs or capture again and again.
        if (autoRepeat && !binding.repeats)
            return true;
        if (binding.button)
            PressButton(this->*binding.button);
        else
            (this->*binding.action)();
        return true;
    }
    return false;
}

void Tapp::keyPressEvent(QKeyEvent* event)
{
    // A focused slider has taken its own keys (arrows, Home, End) before
    // this: what reaches the window is what no control used.
    if (KeyCommand(event->keyCombination(), event->isAutoRepeat()))
        event->accept();
    else
        QWidget::keyPressEvent(event);
}

// As a click on the button would: its handler, then the latch of a group.
bool Tapp::PressButton(TGTabButton* button)
{
    if (!button->isEnabled())
        return false;
    button->Click();
    if (button->GroupIndex() != 0)
        button->SetDown(true);
    return true;
}

bool Tapp::KeyPlayOrPause()
{
    const bool playing = MediaLoaded && mediacommands::status(mediacommands::kMode) == mediacommands::kPlaying;
    return PressButton(playing ? ButtonPause : ButtonPlay);
}

// As the position slider's own Home key: seek to the start and hold there.
bool Tapp::KeyToStart()
{
    if (!VideoPositionSlider->isEnabled())
        return false;
    SlidePositionTo(VideoPositionSlider->MinValue());
    return true;
}

bool Tapp::KeyVolumeUp()
{
    return StepVolume(+1);
}

bool Tapp::KeyVolumeDown()
{
    return StepVolume(-1);
}

// Five per cent of the slider's range, through the slider so that its
// change handler sets the volume and the thumb shows it.
bool Tapp::StepVolume(int direction)
{
    if (!VolumeSlider->isEnabled())
        return false;
    const int range = VolumeSlider->MaxValue() - VolumeSlider->MinValue();
    const int step = int(std::lround(range * 0.05));
    VolumeSlider->SetValue(VolumeSlider->Value() + direction * step);
    return true;
}

bool Tapp::KeyMaximiseOrRestore()
{
    return PressButton(IsMaximised ? ButtonNormalSize : ButtonMaximise);
}

void Tapp::MaximiseOrRestore()
{
    KeyMaximiseOrRestore();
}

void Tapp::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Double-clicking the picture maximises it, or restores it.
    if (VideoWindow && VideoWindow->isVisible() && VideoWindow->geometry().contains(event->position().toPoint())) {
        MaximiseOrRestore();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

QString Tapp::KeysOf(const QWidget* control) const
{
    QStringList keys;
    for (const TKeyBinding& binding : KeyBindings()) {
        if (binding.key.key() == Qt::Key_Equal)
            continue;
        const auto action = binding.action;
        const bool acts = (binding.button && this->*binding.button == control) ||
                          (action == &Tapp::KeyPlayOrPause && (control == ButtonPlay || control == ButtonPause)) ||
                          (action == &Tapp::KeyMaximiseOrRestore &&
                           (control == ButtonMaximise || control == ButtonNormalSize)) ||
                          (action == &Tapp::KeyToStart && control == VideoPositionSlider) ||
                          ((action == &Tapp::KeyVolumeUp || action == &Tapp::KeyVolumeDown) && control == VolumeSlider);
        const QString text = QKeySequence(binding.key).toString(QKeySequence::NativeText);
        if (acts && !keys.contains(text))
            keys << text;
    }
    return keys.join(", ");
}

// The name is the hint's first part ("Visual rewind" of "Visual rewind -
// hold the mouse down"); the description is the whole hint and the keys.
void Tapp::NameForScreenReaders(QWidget* control, const QString& hint)
{
    control->setAccessibleName(hint.section(" - ", 0, 0));
    const QString keys = KeysOf(control);
    control->setAccessibleDescription(keys.isEmpty() ? hint : hint + " (" + keys + ")");
}
