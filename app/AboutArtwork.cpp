#include "app/AboutArtwork.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

// The picture is compiled into a static library; its resources are
// registered by hand before the first use.
static void RegisterPicture()
{
    Q_INIT_RESOURCE(toolwindows);
}

namespace {

QPixmap LoadPicture(const QString& path)
{
    static const bool registered = (RegisterPicture(), true);
    (void)registered;
    return QPixmap(path);
}

QFont ArialBold(int pixelHeight)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelHeight);
    font.setBold(true);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

} // namespace

CAboutArtwork::CAboutArtwork(const QString& picturePath)
    : picture(LoadPicture(picturePath))
    , texts(CVersionInfo::Texts())
{
}

void CAboutArtwork::DrawBackground(QPainter& painter, const QRect& area) const
{
    if (picture.isNull())
        painter.fillRect(area, QColor(224, 236, 248));
    else
        painter.drawPixmap(area, picture);
}

// The texts sit at fixed places from the top left, product name first, so
// that they fall on the light sky of the picture.
void CAboutArtwork::DrawTexts(QPainter& painter, const QRect& area) const
{
    const QFont small = ArialBold(11);
    const QFont medium = ArialBold(16);
    const QFont large = ArialBold(32);
    const int singleLine = Qt::TextSingleLine | Qt::AlignLeft | Qt::AlignTop;
    const int productHeight = QFontMetrics(large).size(Qt::TextSingleLine, texts.productName).height();
    const int lineHeight = QFontMetrics(medium).size(Qt::TextSingleLine, texts.versionLine).height();

    painter.save();
    painter.setPen(QColor(0, 32, 128));
    painter.setBackgroundMode(Qt::TransparentMode);

    const QRect productArea(QPoint(area.left() + 20, area.top() + 15), QPoint(area.right(), area.top() + 15 + productHeight - 1));
    painter.setFont(large);
    painter.drawText(productArea, singleLine, texts.productName);

    QRect lineArea(QPoint(area.left() + 20, productArea.bottom() + 1 + 20), QSize(area.right() - area.left() - 19, lineHeight));
    painter.setFont(medium);
    painter.drawText(lineArea, singleLine, texts.versionLine);
    lineArea.translate(0, lineHeight + 10);
    painter.drawText(lineArea, singleLine, texts.legalLine);

    const QRect noticeArea(QPoint(area.left() + 20, lineArea.bottom() + 1 + 10), QPoint(area.right() - 20, lineArea.top() + 200 - 1));
    painter.setFont(small);
    painter.drawText(noticeArea, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, texts.licenceNotice);
    painter.restore();
}
