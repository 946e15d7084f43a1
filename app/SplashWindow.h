#pragma once
// The start-up picture: a frameless window sized to the picture, centred
// over its parent (or the screen), that closes itself after a while. At
// most one is shown at a time.
#include <QWidget>

#include "app/AboutArtwork.h"

class CSplashWindow : public QWidget {
    Q_OBJECT
public:
    // Shows the splash for durationMs unless one is already showing.
    static void ShowSplash(int durationMs, QWidget* parent);
    static bool IsShowing();
    static CSplashWindow* Current();
    // Which picture later splashes show (picture 141 unless told otherwise).
    static void UsePicture(const QString& picturePath);

    ~CSplashWindow() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CSplashWindow(QWidget* parent, CAboutArtwork&& artwork);
    void Expire();

    CAboutArtwork artwork;
};
