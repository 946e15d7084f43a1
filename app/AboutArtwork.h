#pragma once
// What the about box and the splash window both show: picture 141
// stretched over the window, with the product name, the version line, the
// legal line and the licence notice drawn over it.
#include <QPixmap>
#include <QString>

#include "app/VersionInfo.h"

class QPainter;
class QRect;

class CAboutArtwork {
public:
    static QString DefaultPicturePath() { return QStringLiteral(":/toolwindows/picture-141.png"); }

    explicit CAboutArtwork(const QString& picturePath = DefaultPicturePath());

    bool HasPicture() const { return !picture.isNull(); }
    QSize PictureSize() const { return picture.size(); }
    const CVersionTexts& Texts() const { return texts; }

    void DrawBackground(QPainter& painter, const QRect& area) const;
    void DrawTexts(QPainter& painter, const QRect& area) const;

private:
    QPixmap picture;
    CVersionTexts texts;
};
