// The timing window as the user meets it, drawing the timing ages it is
// given: rows per index, ages against the position timeout, the red age
// box, Apply and Reset.
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "app/ControlId.h"
#include "app/TimingDiagnosticsDlg.h"
#include "app/widgets/LedBar.h"
#include "clock/Tickwarden.h"
#include "tests/app/GuiTestSupport.h"

namespace {

CTelegramIndex Record(int kind, const char* text, double receiveTime)
{
    CTelegramIndex record;
    record.SetIndex(kind, text);
    record.receiveTime = receiveTime;
    return record;
}

QLineEdit* IndexBox(const QWidget* window, int row) { return FindControl<QLineEdit>(window, 1037 + row); }
QLineEdit* AgeBox(const QWidget* window, int row) { return FindControl<QLineEdit>(window, 1047 + row); }
CiLedBarX* Bar(const QWidget* window, int row) { return FindControl<CiLedBarX>(window, 1026 + row); }
QLineEdit* TimeoutEdit(const QWidget* window) { return FindControl<QLineEdit>(window, 1036); }
QPushButton* Button(const QWidget* window, int id) { return FindControl<QPushButton>(window, id); }
QLabel* Waiting(const QWidget* window) { return FindControl<QLabel>(window, 1061); }

int VisibleRows(const QWidget* window)
{
    int visible = 0;
    for (int row = 0; row < CTimingDiagnosticsDlg::kDisplayedRows; ++row) {
        const bool shown = IndexBox(window, row)->isVisible();
        // The three controls of a row come and go together.
        if (Bar(window, row)->isVisible() != shown || AgeBox(window, row)->isVisible() != shown)
            return -1;
        visible += shown ? 1 : 0;
    }
    return visible;
}

void ApplyTimeout(QWidget* window, const QString& text)
{
    TimeoutEdit(window)->setText(text);
    QVERIFY(Button(window, 1060)->isEnabled());
    QTest::mouseClick(Button(window, 1060), Qt::LeftButton);
}

} // namespace

class CTimingWindowTest : public QObject {
    Q_OBJECT

    double now = 100000.0;
    std::shared_ptr<CTimingAges> ages;
    QPointer<CTimingDiagnosticsDlg> window;

    void Open()
    {
        ages = std::make_shared<CTimingAges>();
        window = new CTimingDiagnosticsDlg(ages);
        window->SetClock([this] { return now; });
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }

private slots:
    void init() { Open(); }
    void cleanup() { delete window; }

    void OpensEmptyWithTheTemplateTexts()
    {
        QCOMPARE(window->windowTitle(), QString("Timing diagnostics"));
        QVERIFY(Waiting(window)->isVisible());
        QCOMPARE(Waiting(window)->text(), QString("Waiting for telegrams"));
        QCOMPARE(VisibleRows(window), 0);
        QCOMPARE(TimeoutEdit(window)->text(), QString("5.0"));
        QCOMPARE(window->PositionTimeout(), 5.0);
        // Writing 5.0 into the empty edit at start counts as a change.
        QVERIFY(Button(window, 1060)->isEnabled());
        QCOMPARE(Button(window, 1059)->text(), QString("Reset"));
        QCOMPARE(Button(window, 1060)->text(), QString("Apply"));
        QCOMPARE(Button(window, 1)->text(), QString("Close"));
        QVERIFY(Button(window, 1)->isDefault());
        QStringList statics;
        for (const QLabel* label : window->findChildren<QLabel*>())
            if (label->property(kControlIdProperty).toInt() == -1)
                statics << label->text();
        statics.sort();
        QCOMPARE(statics, (QStringList{"Age", "Index ", "Position timeout (s)"}));
        for (int row = 0; row < CTimingDiagnosticsDlg::kDisplayedRows; ++row) {
            QCOMPARE(Bar(window, row)->Minimum(), 0.0);
            QCOMPARE(Bar(window, row)->Maximum(), 5.0);
            QCOMPARE(Bar(window, row)->SectionEnd1(), 2.5);
            QCOMPARE(Bar(window, row)->SectionEnd2(), 3.75);
        }
    }

    void RowsFollowTheOrderOfFirstArrival()
    {
        ages->Add(Record(1, "07", now - 1500));
        // The row shows with the next tick.
        window->Refresh();
        QCOMPARE(VisibleRows(window), 1);
        QVERIFY(!Waiting(window)->isVisible());
        QCOMPARE(IndexBox(window, 0)->text(), QString("07"));

        ages->Add(Record(0, "Ship", now - 250));
        ages->Add(Record(1, "07", now - 100));  // renews row 0, no new row
        window->Refresh();
        QCOMPARE(VisibleRows(window), 2);
        QCOMPARE(window->TrackedIndexCount(), std::size_t(2));
        QCOMPARE(IndexBox(window, 0)->text(), QString("07"));
        QCOMPARE(AgeBox(window, 0)->text(), QString("0.1"));
        QCOMPARE(Bar(window, 0)->Position(), 0.1);
        QCOMPARE(IndexBox(window, 1)->text(), QString("Ship"));
        QCOMPARE(AgeBox(window, 1)->text(), QString("0.2"));  // 0.25 rounds to even, as printf does
    }

    void SameTextUnderTwoKindsIsTwoIndexesAndCaseCounts()
    {
        ages->Add(Record(1, "12", now));
        ages->Add(Record(0, "12", now));
        ages->Add(Record(0, "ship", now));
        ages->Add(Record(0, "Ship", now));
        window->Refresh();
        QCOMPARE(window->TrackedIndexCount(), std::size_t(4));
        QCOMPARE(VisibleRows(window), 4);
    }

    void RecordsWithoutAnIndexAreDropped()
    {
        CTelegramIndex unidentified;
        unidentified.text = "07";
        unidentified.receiveTime = now;
        ages->Add(unidentified);
        window->Refresh();
        QCOMPARE(window->TrackedIndexCount(), std::size_t(0));
        QVERIFY(Waiting(window)->isVisible());
    }

    void TheEleventhIndexIsTrackedButNotShown()
    {
        for (int i = 0; i < 11; ++i)
            ages->Add(Record(1, QByteArray::number(i + 1).constData(), now - 1000 * i));
        ages->Add(Record(1, "11", now));
        window->Refresh();
        QCOMPARE(window->TrackedIndexCount(), std::size_t(11));
        QCOMPARE(VisibleRows(window), 10);
        for (int row = 0; row < 10; ++row)
            QCOMPARE(IndexBox(window, row)->text(), QString::number(row + 1));
    }

    void StaleOnlyWhenTheAgeExceedsTheTimeout()
    {
        ages->Add(Record(1, "01", now - 5000.0));
        ages->Add(Record(1, "02", now - 5000.5));
        window->Refresh();
        QCOMPARE(AgeBox(window, 0)->text(), QString("5.0"));
        QVERIFY(!window->IsRowStale(0));
        QVERIFY(AgeBox(window, 0)->palette().color(QPalette::Base) != CTimingDiagnosticsDlg::StaleColour());
        QVERIFY(window->IsRowStale(1));
        QCOMPARE(AgeBox(window, 1)->palette().color(QPalette::Base), CTimingDiagnosticsDlg::StaleColour());
    }

    void RedStaysWhenTheIndexResumesUntilReset()
    {
        ages->Add(Record(1, "03", now - 9000));
        ages->Add(Record(1, "04", now));
        window->Refresh();
        QVERIFY(window->IsRowStale(0));
        QVERIFY(!window->IsRowStale(1));

        now += 1000;
        ages->Add(Record(1, "03", now - 200));
        window->Refresh();
        QCOMPARE(AgeBox(window, 0)->text(), QString("0.2"));
        QVERIFY(window->IsRowStale(0));
        QCOMPARE(AgeBox(window, 0)->palette().color(QPalette::Base), CTimingDiagnosticsDlg::StaleColour());

        QTest::mouseClick(Button(window, 1059), Qt::LeftButton);
        QVERIFY(!window->IsRowStale(0));
        QVERIFY(AgeBox(window, 0)->palette().color(QPalette::Base) != CTimingDiagnosticsDlg::StaleColour());
        QCOMPARE(window->TrackedIndexCount(), std::size_t(0));
        QCOMPARE(VisibleRows(window), 0);
        QVERIFY(Waiting(window)->isVisible());
        QCOMPARE(AgeBox(window, 0)->text(), QString("0.0"));
        QCOMPARE(Bar(window, 0)->Position(), 0.0);

        // After Reset the next index takes the first row again.
        ages->Add(Record(1, "04", now));
        window->Refresh();
        QCOMPARE(IndexBox(window, 0)->text(), QString("04"));
    }

    void ApplyKeepsTheTimeoutWhenTheTextIsNoNumber()
    {
        ApplyTimeout(window, "7");
        QCOMPARE(window->PositionTimeout(), 7.0);
        QCOMPARE(TimeoutEdit(window)->text(), QString("7.0"));

        ApplyTimeout(window, "seven");
        QCOMPARE(window->PositionTimeout(), 7.0);
        QCOMPARE(TimeoutEdit(window)->text(), QString("7.0"));
        QVERIFY(Button(window, 1060)->isEnabled());  // the redisplay changed the text

        // A hex prefix without digits is no number either; it must not become 0.
        ApplyTimeout(window, "0x");
        QCOMPARE(window->PositionTimeout(), 7.0);
        QCOMPARE(TimeoutEdit(window)->text(), QString("7.0"));

        // Leading blanks and trailing text are read as a C program reads them.
        ApplyTimeout(window, "  2.25 s");
        QCOMPARE(window->PositionTimeout(), 2.25);
        QCOMPARE(TimeoutEdit(window)->text(), QString("2.2"));

        ApplyTimeout(window, "7.5");
        QCOMPARE(TimeoutEdit(window)->text(), QString("7.5"));
        QVERIFY(!Button(window, 1060)->isEnabled());  // nothing changed by the redisplay
    }

    void ApplyRefusesATimeoutThatIsNotAPositiveFiniteNumber()
    {
        ApplyTimeout(window, "7");
        // "1e999" reads as infinity, "1e-999" as 0.
        for (const char* text : {"0", "0.0", "-0", "-3", "1e-999", "nan", "-nan", "inf", "-inf", "infinity", "1e999",
                                 "seven"}) {
            ApplyTimeout(window, text);
            QCOMPARE(window->PositionTimeout(), 7.0);
            QCOMPARE(TimeoutEdit(window)->text(), QString("7.0"));
            QCOMPARE(Bar(window, 0)->Maximum(), 7.0);
            QMessageBox* box = VisibleMessage("timeoutMessage");
            QVERIFY2(box, text);
            QCOMPARE(box->text(), QString("The position timeout must be a number of seconds greater than 0."));
            box->close();
            QTRY_VERIFY(!VisibleMessage("timeoutMessage"));
        }
        // However small, a positive timeout is taken.
        ApplyTimeout(window, "0.05");
        QCOMPARE(window->PositionTimeout(), 0.05);
        QVERIFY(!VisibleMessage("timeoutMessage"));
    }

    void ApplyRescalesEveryBar()
    {
        ApplyTimeout(window, "10");
        for (int row = 0; row < CTimingDiagnosticsDlg::kDisplayedRows; ++row) {
            QCOMPARE(Bar(window, row)->Minimum(), 0.0);
            QCOMPARE(Bar(window, row)->Maximum(), 10.0);
            QCOMPARE(Bar(window, row)->SectionEnd1(), 5.0);
            QCOMPARE(Bar(window, row)->SectionEnd2(), 7.5);
        }
        // The new timeout counts for staleness too: 6 s is no longer stale.
        ages->Add(Record(1, "05", now - 6000));
        window->Refresh();
        QVERIFY(!window->IsRowStale(0));
    }

    void TheTimerKeepsTheRowsCurrent()
    {
        window->SetClock(&CTickwarden::GetPCMilliSecs);
        ages->Add(Record(1, "09", CTickwarden::GetPCMilliSecs() - 60000));
        QTRY_COMPARE_WITH_TIMEOUT(IndexBox(window, 0)->text(), QString("09"), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(window->IsRowStale(0), 5000);
        // Ticks go on: a fresh record brings the age down on a later tick.
        ages->Add(Record(1, "09", CTickwarden::GetPCMilliSecs()));
        QTRY_VERIFY_WITH_TIMEOUT(AgeBox(window, 0)->text().toDouble() < 30.0, 5000);
    }

    void ClosingDestroysTheWindowAndTellsTheOwner()
    {
        for (const auto close : {0, 1, 2}) {
            if (!window)
                Open();
            QSignalSpy closed(window.data(), &CTimingDiagnosticsDlg::closed);
            if (close == 0)
                QTest::mouseClick(Button(window, 1), Qt::LeftButton);
            else if (close == 1)
                QTest::keyClick(window, Qt::Key_Escape);
            else
                window->close();
            QTRY_VERIFY(window.isNull());
            QCOMPARE(closed.count(), 1);
        }
    }
};

QTEST_MAIN(CTimingWindowTest)
#include "TimingWindowTest.moc"
