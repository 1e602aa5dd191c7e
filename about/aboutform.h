#pragma once

#include "dibultra.h"
#include "gshape.h"
#include "solidrenderer.h"
#include "timerrx.h"

#include <QDialog>
#include <QLabel>

#include <functional>
#include <memory>

// The three lines of the banner; row 0 becomes shape 0 of the animation,
// row 1 shape 2, row 2 shape 4.
extern const TBannerTable BannerLines;

// The picture control of the About window: shows its picture at its natural
// size and reports clicks.
class TAboutImage : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> OnClick;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool FPressed = false;
};

// The About window: a frameless, always-on-top window showing the artwork
// with a rotating, morphing cloud of points in its black viewing area. A
// click anywhere closes it. Each opening makes a new window, so the
// animation starts from the beginning every time.
class TAbout : public QDialog {
    Q_OBJECT
public:
    explicit TAbout(QWidget* owner = nullptr);
    ~TAbout() override;

    // Opens the About window modally over owner and destroys it when it
    // closes; returns the modal result (1 when closed by a click).
    static int Execute(QWidget* owner);

    TAboutImage* Image1 = nullptr;
    TGShape* GShape1 = nullptr;
    QRect AnimationRect;

    TRxTimer* Timer() const { return FTimer.get(); }
    TDIBUltra* Surface() const { return FSurface.get(); }
    const TSolidRenderer& Renderer() const { return FRenderer; }

    void FormCreate();
    void FormShow();
    void FormPaint(QPainter& canvas);
    void FormClick();
    void Image1Click();
    void FormClose();
    void AnimateTick(QObject* sender);

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void CentreOnScreen();

    std::unique_ptr<TDIBUltra> FSurface;
    std::unique_ptr<TRxTimer> FTimer; // destroyed before the surface
    TSolidRenderer FRenderer;
    bool FPressed = false;
    bool FClosed = false;
};
