#include "app/PlayerBar.h"

#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <QToolButton>
#include <algorithm>
#include <climits>

#include "app/CapturePlayer.h"

namespace {
QToolButton* BarButton(const QString& text, const char* objectName, const QString& tip, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setObjectName(objectName);
    button->setToolTip(tip);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return button;
}
} // namespace

CPlayerBar::CPlayerBar(QWidget* parent) : QToolBar("Capture", parent)
{
    setObjectName("playerBar");
    setMovable(false);
    playButton = BarButton("Play", "playButton", "Play the capture at the chosen speed, or pause it", this);
    stepButton = BarButton("Step", "stepButton", "Show the next telegram, then pause", this);
    speedBox = new QComboBox(this);
    speedBox->setObjectName("speedBox");
    speedBox->setToolTip("How fast the capture plays: its recorded pace times this");
    speedBox->addItems({QString::fromUtf8("1×"), QString::fromUtf8("10×"), QString::fromUtf8("100×"),
                        "As fast as possible"});
    slider = new QSlider(Qt::Horizontal, this);
    slider->setObjectName("timeSlider");
    slider->setToolTip("The recorded time of the capture: drag to go there");
    slider->setMinimumWidth(120);
    timeLabel = new QLabel(this);
    timeLabel->setObjectName("timeLabel");
    closeButton = BarButton("Close Capture", "closeCaptureButton", "Stop playing and read the line again", this);

    addWidget(playButton);
    addWidget(stepButton);
    addWidget(speedBox);
    addWidget(slider);
    addWidget(timeLabel);
    addWidget(closeButton);

    connect(playButton, &QToolButton::clicked, this, &CPlayerBar::OnPlayPause);
    connect(stepButton, &QToolButton::clicked, this, [this] {
        if (player)
            player->Step();
    });
    connect(speedBox, &QComboBox::currentIndexChanged, this, &CPlayerBar::OnSpeedChosen);
    connect(slider, &QSlider::sliderReleased, this, &CPlayerBar::OnSliderReleased);
    connect(closeButton, &QToolButton::clicked, this, &CPlayerBar::closeRequested);
    hide();
}

void CPlayerBar::SetPlayer(CCapturePlayer* newPlayer)
{
    player = newPlayer;
    setVisible(player != nullptr);
    if (!player)
        return;
    const CSessionIndex& index = player->SessionIndex();
    firstUtcMs = index.First().utcMilliseconds;
    const std::int64_t span = std::max<std::int64_t>(0, index.Last().utcMilliseconds - firstUtcMs);
    // A slider counts in int: a session longer than that moves it in
    // steps of more than a millisecond.
    millisecondsPerStep = std::max<std::int64_t>(1, span / INT_MAX + 1);
    slider->setRange(0, static_cast<int>(span / millisecondsPerStep));
    speedBox->setCurrentIndex(0);
    connect(player, &CCapturePlayer::positionChanged, this, &CPlayerBar::ShowPosition);
    connect(player, &CCapturePlayer::stateChanged, this, &CPlayerBar::ShowState);
    ShowPosition();
    ShowState();
}

void CPlayerBar::SetSpeed(int speed)
{
    speedBox->setCurrentIndex(speed);
}

void CPlayerBar::OnPlayPause()
{
    if (!player)
        return;
    if (player->IsPlaying())
        player->Pause();
    else
        player->Play();
}

void CPlayerBar::OnSpeedChosen(int item)
{
    if (player)
        player->SetSpeed(static_cast<CCapturePlayer::Speed>(item));
}

void CPlayerBar::OnSliderReleased()
{
    if (player)
        player->Seek(SliderTime(slider->value()));
}

std::int64_t CPlayerBar::SliderTime(int value) const
{
    return firstUtcMs + static_cast<std::int64_t>(value) * millisecondsPerStep;
}

void CPlayerBar::ShowPosition()
{
    if (!player)
        return;
    const CWallTime position = player->Position();
    timeLabel->setText(QString::fromStdString(position.IsoText()).replace('T', ' '));
    // Not while the user drags it.
    if (!slider->isSliderDown())
        slider->setValue(static_cast<int>((position.utcMilliseconds - firstUtcMs) / millisecondsPerStep));
}

void CPlayerBar::ShowState()
{
    if (player)
        playButton->setText(player->IsPlaying() ? "Pause" : "Play");
}
