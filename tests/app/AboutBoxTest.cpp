// The about box and the start-up splash: the picture, the texts over it, the
// link, and how each goes away.
#include <QImage>
#include <QPointer>
#include <QtTest>

#include "app/AboutBox.h"
#include "app/ControlId.h"
#include "app/DialogUnits.h"
#include "app/SplashWindow.h"
#include "app/VersionInfo.h"
#include "app/widgets/HyperlinkStatic.h"

namespace {

int CountSplashes()
{
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        count += qobject_cast<CSplashWindow*>(widget) != nullptr && widget->isVisible() ? 1 : 0;
    return count;
}

// How many pixels of the picture carry the dark blue of the texts.
int TextPixels(QWidget* widget)
{
    QImage image(widget->size(), QImage::Format_RGB32);
    widget->render(&image);
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y) == QColor(0, 32, 128) ? 1 : 0;
    return count;
}

} // namespace

class CAboutBoxTest : public QObject {
    Q_OBJECT

private slots:
    void TheVersionTextsComeFromTheBuild()
    {
        const CVersionTexts texts = CVersionInfo::Texts();
        QCOMPARE(texts.productName, QString("Vantrel"));
        QVERIFY(texts.versionLine.startsWith("Version: "));
        QVERIFY(texts.versionLine.size() > 9);
        QVERIFY(texts.legalLine.contains("Quorvane International Ltd"));
        QVERIFY(!texts.licenceNotice.isEmpty());
    }

    void TheBoxShowsPictureTextsAndTheLink()
    {
        CAboutBox box;
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QCOMPARE(box.windowTitle(), QString("About Vantrel"));
        QCOMPARE(box.size(), QSize(CDialogUnits::X(232), CDialogUnits::Y(215)));
        CHyperlinkStatic* link = FindControl<CHyperlinkStatic>(&box, 1025);
        QVERIFY(link != nullptr);
        QCOMPARE(link->GetUrl(), CVersionInfo::WebAddress());
        QCOMPARE(link->text(), CVersionInfo::WebAddress());
        QCOMPARE(link->geometry().right() + 1, CDialogUnits::X(131) + CDialogUnits::X(92));
        QCOMPARE(link->y(), CDialogUnits::Y(199));
        QVERIFY(link->x() >= 0);
        QCOMPARE(link->GetLinkColour(), QColor(255, 255, 0));
        QCOMPARE(link->GetVisitedColour(), QColor(255, 255, 0));
        QCOMPARE(link->GetHoverColour(), QColor(255, 0, 0));
        QVERIFY(TextPixels(&box) > 200);
    }

    void EnterAndEscapeCloseTheBox()
    {
        for (const auto key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            CAboutBox box;
            QTimer::singleShot(0, &box, [&box, key] { QTest::keyClick(&box, key); });
            QTimer::singleShot(3000, &box, [&box] { box.done(-1); });  // a box that stays open fails below
            const int result = box.exec();
            QVERIFY(result != -1);
        }
    }

    void ASecondSplashWhileOneShowsHasNoEffect()
    {
        QWidget mainWindow;
        mainWindow.resize(800, 600);
        mainWindow.show();
        CSplashWindow::ShowSplash(60000, &mainWindow);
        QVERIFY(CSplashWindow::IsShowing());
        QPointer<CSplashWindow> first = CSplashWindow::Current();
        QCOMPARE(first->size(), QSize(350, 350));
        QCOMPARE(first->geometry().center(), mainWindow.frameGeometry().center());
        QVERIFY(TextPixels(first) > 200);

        CSplashWindow::ShowSplash(100, &mainWindow);
        QCOMPARE(CSplashWindow::Current(), first.data());
        QCOMPARE(CountSplashes(), 1);
        first->close();
        QTRY_VERIFY(first.isNull());
        QVERIFY(!CSplashWindow::IsShowing());
    }

    void TheSplashClosesItselfAfterItsTime()
    {
        CSplashWindow::ShowSplash(100, nullptr);
        QPointer<CSplashWindow> splash = CSplashWindow::Current();
        QVERIFY(splash);
        QTRY_VERIFY_WITH_TIMEOUT(splash.isNull(), 10000);
        QVERIFY(!CSplashWindow::IsShowing());
        // Once it has gone the next one may show.
        CSplashWindow::ShowSplash(100, nullptr);
        QVERIFY(CSplashWindow::IsShowing());
        QTRY_VERIFY_WITH_TIMEOUT(!CSplashWindow::IsShowing(), 10000);
    }

    void AMissingPictureLeavesNothingBehind()
    {
        CSplashWindow::UsePicture(":/no/such/picture.png");
        CSplashWindow::ShowSplash(60000, nullptr);
        QVERIFY(!CSplashWindow::IsShowing());
        QCOMPARE(CountSplashes(), 0);
        CSplashWindow::UsePicture(CAboutArtwork::DefaultPicturePath());
        CSplashWindow::ShowSplash(60000, nullptr);
        QVERIFY(CSplashWindow::IsShowing());
        delete CSplashWindow::Current();
        QVERIFY(!CSplashWindow::IsShowing());
    }
};

QTEST_MAIN(CAboutBoxTest)
#include "AboutBoxTest.moc"
