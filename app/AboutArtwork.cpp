#include "app/AboutArtwork.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

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

// The texts keep this far from the picture's left and right edges.
constexpr int kInset = 20;
// No text is made smaller than this to fit.
constexpr int kSmallestPixelSize = 8;

bool Fits(const QFont& font, const QString& text, const QRect& area, int flags)
{
    return area.contains(QFontMetrics(font).boundingRect(area, flags, text));
}

// The text in font, made a pixel smaller at a time until it fits its area;
// a single line that does not fit even at the smallest size is cut short.
CAboutArtwork::CTextLine FittedLine(const QString& text, QFont font, const QRect& area, int flags)
{
    while (font.pixelSize() > kSmallestPixelSize && !Fits(font, text, area, flags))
        font.setPixelSize(font.pixelSize() - 1);
    QString shown = text;
    if ((flags & Qt::TextSingleLine) != 0 && !Fits(font, text, area, flags))
        shown = QFontMetrics(font).elidedText(text, Qt::ElideRight, area.width());
    return {shown, font, area, flags};
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
// that they fall on the light sky of the picture, and keep kInset pixels
// from the left and right edges whatever font the desktop gives for Arial.
std::vector<CAboutArtwork::CTextLine> CAboutArtwork::TextLines(const QRect& area) const
{
    const int singleLine = Qt::TextSingleLine | Qt::AlignLeft | Qt::AlignTop;
    const int left = area.left() + kInset;
    const int width = area.width() - 2 * kInset;

    const QFont large = ArialBold(32);
    CTextLine product = FittedLine(texts.productName, large,
                                   QRect(left, area.top() + 15, width, QFontMetrics(large).height()), singleLine);
    product.area.setHeight(QFontMetrics(product.font).size(Qt::TextSingleLine, texts.productName).height());

    const QFont medium = ArialBold(16);
    const int lineHeight = QFontMetrics(medium).size(Qt::TextSingleLine, texts.versionLine).height();
    const QRect versionArea(left, product.area.bottom() + 1 + 20, width, lineHeight);
    const QRect legalArea = versionArea.translated(0, lineHeight + 10);

    const int noticeBottom = std::min(legalArea.top() + 200, area.bottom() + 1 - kEdgeMargin);
    const QRect noticeArea(left, legalArea.bottom() + 1 + 10, width, noticeBottom - (legalArea.bottom() + 1 + 10));

    return {
        product,
        FittedLine(texts.versionLine, medium, versionArea, singleLine),
        FittedLine(texts.legalLine, medium, legalArea, singleLine),
        FittedLine(texts.licenceNotice, ArialBold(11), noticeArea, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop),
    };
}

void CAboutArtwork::DrawTexts(QPainter& painter, const QRect& area) const
{
    painter.save();
    painter.setPen(QColor(0, 32, 128));
    painter.setBackgroundMode(Qt::TransparentMode);
    for (const CTextLine& line : TextLines(area)) {
        painter.setFont(line.font);
        painter.drawText(line.area, line.flags, line.text);
    }
    painter.restore();
}
