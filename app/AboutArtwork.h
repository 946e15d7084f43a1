#pragma once
// What the about box and the splash window both show: picture 141
// stretched over the window, with the product name, the version line, the
// legal line and the licence notice drawn over it.
#include <QFont>
#include <QPixmap>
#include <QRect>
#include <QString>

#include <vector>

#include "app/VersionInfo.h"

class QPainter;

class CAboutArtwork {
public:
    // No text comes closer than this to an edge of the picture.
    static constexpr int kEdgeMargin = 10;

    static QString DefaultPicturePath() { return QStringLiteral(":/toolwindows/picture-141.png"); }

    explicit CAboutArtwork(const QString& picturePath = DefaultPicturePath());

    bool HasPicture() const { return !picture.isNull(); }
    QSize PictureSize() const { return picture.size(); }
    const CVersionTexts& Texts() const { return texts; }

    // One text drawn over the picture: the text as drawn, its font, the
    // rectangle it is drawn in and the drawing flags.
    struct CTextLine {
        QString text;
        QFont font;
        QRect area;
        int flags = 0;
    };
    // Where the texts go over a picture stretched onto area: product name,
    // version line, legal line and licence notice, each inside area less a
    // margin. A line too wide for its place is drawn in a smaller font (it
    // is cut short only below the smallest size), the notice likewise.
    std::vector<CTextLine> TextLines(const QRect& area) const;

    void DrawBackground(QPainter& painter, const QRect& area) const;
    void DrawTexts(QPainter& painter, const QRect& area) const;

private:
    QPixmap picture;
    CVersionTexts texts;
};
