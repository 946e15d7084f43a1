#include "app/SplashWindow.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include <utility>

namespace {

CSplashWindow* currentSplash = nullptr;

QString& PicturePath()
{
    static QString path = CAboutArtwork::DefaultPicturePath();
    return path;
}

QRect CentreArea(const QWidget* parent)
{
    if (parent != nullptr && parent->window()->isVisible())
        return parent->window()->frameGeometry();
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

} // namespace

void CSplashWindow::ShowSplash(int durationMs, QWidget* parent)
{
    if (currentSplash != nullptr)
        return;
    CAboutArtwork artwork(PicturePath());
    // Without its picture there is nothing to show, and nothing is left
    // behind that would stop the next splash.
    if (!artwork.HasPicture())
        return;
    auto* splash = new CSplashWindow(parent, std::move(artwork));
    QRect area(QPoint(0, 0), splash->size());
    area.moveCenter(CentreArea(parent).center());
    splash->move(area.topLeft());
    splash->show();
    QTimer::singleShot(durationMs, splash, &CSplashWindow::Expire);
}

bool CSplashWindow::IsShowing()
{
    return currentSplash != nullptr;
}

CSplashWindow* CSplashWindow::Current()
{
    return currentSplash;
}

void CSplashWindow::UsePicture(const QString& picturePath)
{
    PicturePath() = picturePath;
}

CSplashWindow::CSplashWindow(QWidget* parent, CAboutArtwork&& art)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
    , artwork(std::move(art))
{
    currentSplash = this;
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(artwork.PictureSize());
}

CSplashWindow::~CSplashWindow()
{
    if (currentSplash == this)
        currentSplash = nullptr;
}

void CSplashWindow::Expire()
{
    QWidget* mainWindow = parentWidget() != nullptr ? parentWidget()->window() : nullptr;
    close();
    if (mainWindow != nullptr)
        mainWindow->repaint();
}

void CSplashWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    artwork.DrawBackground(painter, rect());
    artwork.DrawTexts(painter, rect());
}
