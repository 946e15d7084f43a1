#include "app/AboutBox.h"

#include <QKeyEvent>
#include <QPainter>

#include "app/ControlId.h"
#include "app/DialogUnits.h"
#include "app/widgets/HyperlinkStatic.h"

namespace {

constexpr int kLinkId = 1025;

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
