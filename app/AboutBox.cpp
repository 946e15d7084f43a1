#include "app/AboutBox.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>

#include "app/ControlId.h"
#include "app/DialogUnits.h"
#include "app/widgets/HyperlinkStatic.h"

namespace {

constexpr int kLinkId = 1025;
constexpr double kSmallestLinkPoints = 6;

} // namespace

CAboutBox::CAboutBox(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Vantrel"));
    setProperty(kControlIdProperty, 100);
    setFixedSize(CDialogUnits::X(232), CDialogUnits::Y(215));

    link = WithControlId(new CHyperlinkStatic(this), kLinkId);
    link->setGeometry(CDialogUnits::X(131), CDialogUnits::Y(199), CDialogUnits::X(92), CDialogUnits::Y(8));
    // The address is longer than its place: it keeps the place's right edge
    // and grows to the left, so all of it stays inside the box.
    link->setAlignment(Qt::AlignRight | Qt::AlignTop);
    link->SetUrl(CVersionInfo::WebAddress());
    link->SetColours(QColor(255, 255, 0), QColor(255, 255, 0), QColor(255, 0, 0));
    FitLink();
}

// The link takes the size of its text in the desktop's font. A large font
// would carry the address over the left edge and its foot over the bottom
// edge: it is drawn smaller as far as its width needs, and moved up as far
// as its height needs.
void CAboutBox::FitLink()
{
    const QString address = link->GetUrl();
    const int widest = link->geometry().right() + 1 - CAboutArtwork::kEdgeMargin;
    QFont font = link->font();
    while (QFontMetrics(font).horizontalAdvance(address) > widest && font.pointSizeF() > kSmallestLinkPoints)
        font.setPointSizeF(std::max(font.pointSizeF() - 0.5, kSmallestLinkPoints));
    link->setFont(font);
    const int height = QFontMetrics(font).size(Qt::TextSingleLine, address).height();
    const int lowestTop = this->height() - CAboutArtwork::kEdgeMargin - height;
    if (link->y() > lowestTop)
        link->move(link->x(), lowestTop);
}

void CAboutBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    artwork.DrawBackground(painter, rect());
    artwork.DrawTexts(painter, rect());
}

void CAboutBox::keyPressEvent(QKeyEvent* event)
{
    // There is no button: Enter closes the box as Escape does.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
