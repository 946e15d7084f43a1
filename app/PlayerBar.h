#pragma once
// The bar of a capture that plays in the window: play or pause, one
// telegram on, the speed, a slider over the session's recorded time with
// the time of the telegram shown last, and the way back to the line.
#include <QPointer>
#include <QToolBar>
#include <cstdint>

class CCapturePlayer;
class QComboBox;
class QLabel;
class QSlider;
class QToolButton;

class CPlayerBar : public QToolBar {
    Q_OBJECT
public:
    explicit CPlayerBar(QWidget* parent = nullptr);

    // The capture the bar drives; null hides the bar.
    void SetPlayer(CCapturePlayer* player);
    // Chooses a speed as the user would (CCapturePlayer::Speed).
    void SetSpeed(int speed);

signals:
    void closeRequested();

private:
    void OnPlayPause();
    void OnSpeedChosen(int item);
    void OnSliderReleased();
    void ShowPosition();
    void ShowState();
    std::int64_t SliderTime(int value) const;

    QPointer<CCapturePlayer> player;
    QToolButton* playButton = nullptr;
    QToolButton* stepButton = nullptr;
    QComboBox* speedBox = nullptr;
    QSlider* slider = nullptr;
    QLabel* timeLabel = nullptr;
    QToolButton* closeButton = nullptr;
    std::int64_t firstUtcMs = 0;
    std::int64_t millisecondsPerStep = 1;
};
