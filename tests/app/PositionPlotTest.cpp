// The position plot: the trails the document keeps of every telegram's
// position, and the window that draws them (frames, fading by the timing
// window's position timeout, trail length, picking an index, clearing,
// saving the picture).
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>

#include "app/ControlId.h"
#include "app/MainFrame.h"
#include "app/PositionPlotDlg.h"
#include "app/TimingDiagnosticsDlg.h"
#include "app/VantrelDoc.h"
#include "app/widgets/PlanView.h"
#include "models/PositionTracks.h"
#include "tests/app/GuiTestSupport.h"
#include "tests/app/HandedOverTelegrams.h"

namespace {

QStringList Labels(const CPlanView& view)
{
    QStringList labels;
    for (const CPlanTrack& track : view.Tracks())
        labels << track.label;
    return labels;
}

QList<bool> Fading(const CPlanTrack& track)
{
    QList<bool> faded;
    for (const CPlanFix& fix : track.fixes)
        faded << fix.faded;
    return faded;
}

QList<bool> Hollowness(const CPlanTrack& track)
{
    QList<bool> hollow;
    for (const CPlanFix& fix : track.fixes)
        hollow << fix.hollow;
    return hollow;
}

} // namespace

class CPositionPlotTest : public QObject {
    Q_OBJECT

    double now = 0.0;
    std::unique_ptr<CVantrelDoc> document;
    QPointer<CPositionPlotDlg> window;

    void Open()
    {
        window = OpenWithClock<CPositionPlotDlg>(*document, CMainFrame::kPositionPlot, [this] { return now; });
        QVERIFY(window);
    }
    CPlanView& View() { return *window->View(); }
    template <typename Control>
    Control* Find(const char* name) { return window->findChild<Control*>(name); }
    void Choose(QComboBox* list, int item)
    {
        list->setCurrentIndex(item);
        emit list->activated(item);
    }

private slots:
    void init()
    {
        now = 100000.0;
        document = std::make_unique<CVantrelDoc>();
    }
    void cleanup()
    {
        delete window;
        document.reset();
    }

    // ------------------------------------------------------------ the trails

    void OnlyDecodedTelegramsWithAFinitePositionGiveAFix()
    {
        CPositionTracks tracks;
        const CTelegramIndex index = IndexOf(1, "B12", 500.0);
        const double nan = std::nan("");
        const double infinity = std::numeric_limits<double>::infinity();
        QVERIFY(!tracks.Add(index, RecordOf(kStatusOk)));
        QVERIFY(!tracks.Add(index, RecordOf(kStatusChecksumError, CTelegramPosition{CPositionFrame::Vessel, 1, 2, 3})));
        QVERIFY(!tracks.Add(index, FixOf(CPositionFrame::Vessel, nan, 2, 3)));
        QVERIFY(!tracks.Add(index, FixOf(CPositionFrame::Vessel, 1, infinity, 3)));
        QVERIFY(!tracks.Add(index, FixOf(CPositionFrame::Vessel, 1, 2, -infinity)));
        QVERIFY(tracks.Tracks().empty());
        QVERIFY(!tracks.LatestFrame());

        QVERIFY(tracks.Add(index, FixOf(CPositionFrame::Vessel, 1.5, -2.5, 30.25)));
        QCOMPARE(tracks.Tracks().size(), std::size_t(1));
        const CPositionTrack& track = tracks.Tracks().front();
        QCOMPARE(track.kind, 1);
        QCOMPARE(track.text, std::string("B12"));
        QCOMPARE(track.fixes.size(), std::size_t(1));
        QCOMPARE(track.fixes[0].x, 1.5);
        QCOMPARE(track.fixes[0].y, -2.5);
        QCOMPARE(track.fixes[0].z, 30.25);
        QCOMPARE(track.fixes[0].receiveTime, 500.0);
    }

    void TrailsKeepTheLatestFixesUpToTheirLength()
    {
        CPositionTracks tracks;
        QCOMPARE(tracks.TrailLength(), std::size_t(100));
        for (int i = 0; i < 150; ++i)
            tracks.Add(IndexOf(1, "B12", i), FixOf(CPositionFrame::North, i, 0, 0));
        const auto& fixes = tracks.Tracks().front().fixes;
        QCOMPARE(fixes.size(), std::size_t(100));
        QCOMPARE(fixes.front().x, 50.0);
        QCOMPARE(fixes.back().x, 149.0);

        const auto revision = tracks.Revision();
        tracks.SetTrailLength(10);
        QVERIFY(tracks.Revision() != revision);
        QCOMPARE(fixes.size(), std::size_t(10));
        QCOMPARE(fixes.front().x, 140.0);
        tracks.SetTrailLength(0);
        QCOMPARE(tracks.TrailLength(), std::size_t(1));
        QCOMPARE(fixes.back().x, 149.0);
        tracks.SetTrailLength(std::size_t(1) << 40);
        QCOMPARE(tracks.TrailLength(), CPositionTracks::kMaxTrailLength);
    }

    void OneTrackPerIndexAndFrameAndOneColourPerIndex()
    {
        CPositionTracks tracks;
        tracks.Add(IndexOf(1, "B12", 1), FixOf(CPositionFrame::Vessel, 1, 1, 1));
        tracks.Add(IndexOf(1, "B13", 2), FixOf(CPositionFrame::Vessel, 2, 2, 2));
        tracks.Add(IndexOf(0, "B12", 3), FixOf(CPositionFrame::Vessel, 3, 3, 3));  // another kind: another index
        tracks.Add(IndexOf(1, "B12", 4), FixOf(CPositionFrame::Grid, 5e5, 6e6, 4));
        tracks.Add(WithoutIndex(5), FixOf(CPositionFrame::Vessel, 5, 5, 5));
        tracks.Add(IndexOf(1, "B12", 6), FixOf(CPositionFrame::Vessel, 6, 6, 6));
        const auto& all = tracks.Tracks();
        QCOMPARE(all.size(), std::size_t(5));
        QCOMPARE(all[0].fixes.size(), std::size_t(2));
        QCOMPARE(all[3].frame, CPositionFrame::Grid);
        QCOMPARE(all[3].colourSlot, all[0].colourSlot);
        QCOMPARE(all[4].kind, -1);
        std::vector<std::size_t> colourSlots;
        for (std::size_t i : {0, 1, 2, 4})
            colourSlots.push_back(all[i].colourSlot);
        QCOMPARE(colourSlots, (std::vector<std::size_t>{0, 1, 2, 3}));
        QCOMPARE(tracks.Frames(), (std::vector<CPositionFrame>{CPositionFrame::Vessel, CPositionFrame::Grid}));
        QCOMPARE(tracks.LatestFrame(), std::optional(CPositionFrame::Vessel));

        tracks.Clear();
        QVERIFY(tracks.Tracks().empty() && tracks.Frames().empty() && !tracks.LatestFrame());
        tracks.Add(IndexOf(1, "B13", 7), FixOf(CPositionFrame::North, 1, 1, 1));
        QCOMPARE(tracks.Tracks().front().colourSlot, std::size_t(0));
    }

    void AFlowOfNewIndexesReplacesTheLongestSilent()
    {
        CPositionTracks tracks;
        for (std::size_t i = 0; i < CPositionTracks::kMaxTracks; ++i)
            tracks.Add(IndexOf(1, std::to_string(i), static_cast<double>(i)), FixOf(CPositionFrame::Vessel, 0, 0, 0));
        tracks.Add(IndexOf(1, "0", 1e9), FixOf(CPositionFrame::Vessel, 0, 0, 0));  // index 0 speaks again
        tracks.Add(IndexOf(1, "new", 1e9), FixOf(CPositionFrame::Vessel, 0, 0, 0));
        QCOMPARE(tracks.Tracks().size(), CPositionTracks::kMaxTracks);
        QCOMPARE(tracks.Tracks().front().text, std::string("0"));
        QCOMPARE(tracks.Tracks()[1].text, std::string("2"));  // "1" was silent longest
        QCOMPARE(tracks.Tracks().back().text, std::string("new"));
    }

    // ------------------------------------------------------------ the window

    void ShowsTheRunSoFarWhenOpened()
    {
        HandOver(*document, IndexOf(1, "B12", now - 200), FixOf(CPositionFrame::Vessel, 10, 20, 30));
        HandOver(*document, IndexOf(1, "B13", now - 150), FixOf(CPositionFrame::Vessel, -15, 5, 40));
        HandOver(*document, WithoutIndex(now - 120), RecordOf(kStatusBadData));
        HandOver(*document, IndexOf(1, "B12", now - 100), FixOf(CPositionFrame::Vessel, 11, 21, 31));
        Open();
        QCOMPARE(window->windowTitle(), QString("Position plot"));
        QCOMPARE(Labels(View()), QStringList({"1:B12", "1:B13"}));
        QCOMPARE(View().Tracks()[0].fixes.size(), 2);
        QCOMPARE(View().Tracks()[0].fixes.last().metres, QPointF(11, 21));
        QVERIFY(View().Tracks()[0].colour != View().Tracks()[1].colour);
        QCOMPARE(window->ShownFrame(), std::optional(CPositionFrame::Vessel));
        // Around the ship's reference point, ship's head up.
        QVERIFY(View().Axes().aroundOrigin);
        QCOMPARE(View().Axes().up, QString("forward"));
        QCOMPARE(View().Axes().right, QString("starboard"));
        auto* frames = Find<QComboBox>("frameList");
        QCOMPARE(frames->count(), 1);
        QVERIFY2(!frames->isEnabled(), "one frame leaves nothing to choose");

        // Later telegrams reach the open window on its next refresh.
        HandOver(*document, IndexOf(1, "B14", now - 50), FixOf(CPositionFrame::Vessel, 0, 50, 10));
        QTRY_COMPARE(Labels(View()), QStringList({"1:B12", "1:B13", "1:B14"}));
    }

    void SeveralFramesOfferAChoiceThatStartsAtTheLatestFixAndStays()
    {
        Open();
        QVERIFY(!window->ShownFrame());
        HandOver(*document, IndexOf(1, "B12", now), FixOf(CPositionFrame::Vessel, 10, 20, 30));
        HandOver(*document, IndexOf(0, "1", now), FixOf(CPositionFrame::Grid, 512000, 6540000, 0));
        window->Refresh();
        auto* frames = Find<QComboBox>("frameList");
        QCOMPARE(window->ShownFrame(), std::optional(CPositionFrame::Grid));
        QVERIFY(frames->isEnabled());
        QCOMPARE(frames->count(), 2);
        QCOMPARE(frames->currentText(), CPositionPlotDlg::FrameTitle(CPositionFrame::Grid));
        QCOMPARE(Labels(View()), QStringList({"0:1"}));
        QVERIFY(!View().Axes().aroundOrigin);
        QCOMPARE(View().Axes().up, QString("northing"));

        // A line that mixes frames does not flip the view at every fix.
        HandOver(*document, IndexOf(1, "B12", now), FixOf(CPositionFrame::Vessel, 11, 21, 31));
        window->Refresh();
        QCOMPARE(window->ShownFrame(), std::optional(CPositionFrame::Grid));

        // The user's choice holds while fixes of the other frame come in.
        Choose(frames, frames->findData(static_cast<int>(CPositionFrame::Vessel)));
        QCOMPARE(Labels(View()), QStringList({"1:B12"}));
        HandOver(*document, IndexOf(0, "1", now), FixOf(CPositionFrame::Grid, 512001, 6540001, 0));
        window->Refresh();
        QCOMPARE(window->ShownFrame(), std::optional(CPositionFrame::Vessel));

        // Clear forgets the fixes and the choice.
        QTest::mouseClick(Find<QPushButton>("clearButton"), Qt::LeftButton);
        QVERIFY(document->Models()->Tracks().Tracks().empty());
        QVERIFY(View().Tracks().isEmpty());
        HandOver(*document, IndexOf(1, "B12", now), FixOf(CPositionFrame::North, 1, 2, 3));
        window->Refresh();
        QCOMPARE(window->ShownFrame(), std::optional(CPositionFrame::North));
        QCOMPARE(View().Axes().up, QString("north"));
        QVERIFY(!frames->isEnabled());
    }

    void FixesOlderThanTheTimingWindowsTimeoutAreFaded()
    {
        for (const double age : {7.0, 3.0, 0.5})
            HandOver(*document, IndexOf(1, "B12", now - age * 1000), FixOf(CPositionFrame::North, age, 0, 0));
        Open();
        // Until the timing window says otherwise, its default of 5 s.
        QCOMPARE(document->Models()->Timing().PositionTimeout(), CTimingAges::kDefaultPositionTimeout);
        QCOMPARE(Fading(View().Tracks()[0]), QList<bool>({true, false, false}));

        document->OnToolWindow(CMainFrame::kTelegramTiming);
        CTimingDiagnosticsDlg* timing = document->ToolWindowOf<CTimingDiagnosticsDlg>(CMainFrame::kTelegramTiming);
        FindControl<QLineEdit>(timing, 1036)->setText("2");
        QTest::mouseClick(FindControl<QPushButton>(timing, 1060), Qt::LeftButton);
        QCOMPARE(document->Models()->Timing().PositionTimeout(), 2.0);
        QTRY_COMPARE(Fading(View().Tracks()[0]), QList<bool>({true, true, false}));

        // Ages move on with the clock alone.
        now += 2000;
        QTRY_COMPARE(Fading(View().Tracks()[0]), QList<bool>({true, true, true}));
        QVERIFY(window->ReadoutText().contains("Click"));

        // A timing window opened again starts at its default, and so does the fading.
        timing->close();
        QTRY_VERIFY(!document->IsToolWindowOpen(CMainFrame::kTelegramTiming));
        document->OnToolWindow(CMainFrame::kTelegramTiming);
        QCOMPARE(document->Models()->Timing().PositionTimeout(), CTimingAges::kDefaultPositionTimeout);
        QTRY_COMPARE(Fading(View().Tracks()[0]), QList<bool>({true, false, false}));
        document->ToolWindowOf<CTimingDiagnosticsDlg>(CMainFrame::kTelegramTiming)->close();
    }

    void FixesTheirTelegramMarksNotGoodAreHollow()
    {
        // Not good by the telegram's own word, or because the telegram
        // itself is not good: received OK, but its checksum or length disagrees.
        CTelegramRecord bad = FixOf(CPositionFrame::North, 2, 0, 0);
        bad.position->valid = false;
        CTelegramRecord wrongSum = FixOf(CPositionFrame::North, 4, 0, 0);
        wrongSum.checksumAgrees = false;
        CTelegramRecord wrongLength = FixOf(CPositionFrame::North, 5, 0, 0);
        wrongLength.checksumAgrees = true;
        wrongLength.lengthAgrees = false;
        HandOver(*document, IndexOf(1, "B12", now), FixOf(CPositionFrame::North, 1, 0, 0));
        HandOver(*document, IndexOf(1, "B12", now), bad);
        HandOver(*document, IndexOf(1, "B12", now), FixOf(CPositionFrame::North, 3, 0, 0));
        HandOver(*document, IndexOf(1, "B12", now), wrongSum);
        HandOver(*document, IndexOf(1, "B12", now), wrongLength);
        Open();
        QCOMPARE(Hollowness(View().Tracks()[0]), QList<bool>({false, true, false, true, true}));
        QCOMPARE(View().Tracks()[0].fixes[1].metres, QPointF(2, 0));
    }

    void TheTrailLengthIsSetInTheWindowAndKept()
    {
        for (int i = 0; i < 20; ++i)
            HandOver(*document, IndexOf(1, "B12", now), FixOf(CPositionFrame::Vessel, i, 0, 0));
        Open();
        auto* trail = Find<QSpinBox>("trailLength");
        QCOMPARE(trail->value(), 100);
        QCOMPARE(View().Tracks()[0].fixes.size(), 20);
        trail->setValue(5);
        QCOMPARE(document->Models()->Tracks().TrailLength(), std::size_t(5));
        QCOMPARE(View().Tracks()[0].fixes.size(), 5);
        QCOMPARE(View().Tracks()[0].fixes.first().metres.x(), 15.0);
        QCOMPARE(View().Tracks()[0].fixes.last().metres.x(), 19.0);

        window->close();
        QTRY_VERIFY(!document->IsToolWindowOpen(CMainFrame::kPositionPlot));
        Open();
        QCOMPARE(Find<QSpinBox>("trailLength")->value(), 5);
    }

    void PickingAnIndexShowsItsDepthAndAge()
    {
        HandOver(*document, IndexOf(1, "B12", now - 3000), FixOf(CPositionFrame::Vessel, -20, 0, 12.5));
        HandOver(*document, IndexOf(1, "B13", now - 1500), FixOf(CPositionFrame::Vessel, 20, 0, 42.5));
        Open();
        window->resize(500, 500);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        window->Refresh();
        QVERIFY(window->ReadoutText().startsWith("Click a fix"));

        // A click beside the latest fix of B13.
        const QPoint fix = View().Mapping().ToPixels(QPointF(20, 0)).toPoint();
        QTest::mouseClick(&View(), Qt::LeftButton, Qt::NoModifier, fix + QPoint(3, -2));
        QCOMPARE(window->SelectedIndex(), QString("1:B13"));
        QCOMPARE(View().SelectedTrack(), 1);
        QCOMPARE(Find<QComboBox>("indexList")->currentText(), QString("1:B13"));
        QVERIFY2(window->ReadoutText().contains("depth 42.5 m, age 1.5 s"), qPrintable(window->ReadoutText()));
        QVERIFY2(window->ReadoutText().contains("starboard 20.00 m, forward 0.00 m"), qPrintable(window->ReadoutText()));

        // Or from the list; "(none)" lets go.
        auto* indexes = Find<QComboBox>("indexList");
        Choose(indexes, indexes->findText("1:B12"));
        QCOMPARE(View().SelectedTrack(), 0);
        QVERIFY2(window->ReadoutText().contains("1:B12: depth 12.5 m, age 3.0 s"), qPrintable(window->ReadoutText()));
        now += 5000;
        QTRY_VERIFY(window->ReadoutText().contains("age 8.0 s ("));
        QVERIFY(window->ReadoutText().endsWith("older than the position timeout"));
        Choose(indexes, 0);
        QCOMPARE(View().SelectedTrack(), -1);
        QVERIFY(window->SelectedIndex().isEmpty());
    }

    void SavePictureWritesThePlanAsPng()
    {
        HandOver(*document, IndexOf(1, "B12", now), FixOf(CPositionFrame::Vessel, 3, 4, 5));
        Open();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTemporaryDir dir;
        QString path = dir.filePath("plan.png");
        window->SetSavePathChooser([&path](QWidget*) { return path; });
        auto* save = Find<QPushButton>("savePictureButton");
        QTest::mouseClick(save, Qt::LeftButton);
        const QImage picture(path);
        QVERIFY(!picture.isNull());
        QCOMPARE(picture.size(), View().size() * View().devicePixelRatio());

        path = dir.filePath("cancelled.png");
        window->SetSavePathChooser([](QWidget*) { return QString(); });
        QTest::mouseClick(save, Qt::LeftButton);
        QVERIFY(!QFile::exists(path));

        path = "/nonexistent-vantrel-dir/plan.png";
        window->SetSavePathChooser([&path](QWidget*) { return path; });
        QTest::mouseClick(save, Qt::LeftButton);
        QMessageBox* message = VisibleMessage("pictureMessage");
        QVERIFY(message);
        QVERIFY(message->text().contains(path));
        message->close();
    }

    void IndexesAreLabelledByKindAndText()
    {
        QCOMPARE(CPositionPlotDlg::IndexLabel(1, "B12"), QString("1:B12"));
        QCOMPARE(CPositionPlotDlg::IndexLabel(0, "Ship"), QString("0:Ship"));
        QCOMPARE(CPositionPlotDlg::IndexLabel(-1, ""), QString("no index"));
        // Bytes from the line keep their value, whatever they are.
        QCOMPARE(CPositionPlotDlg::IndexLabel(1, std::string("\xE9\x00\xFF", 3)), QString::fromUtf8("1:\u00E9") +
                                                                                      QChar(0) + QChar(0xFF));
    }
};

QTEST_MAIN(CPositionPlotTest)
#include "PositionPlotTest.moc"
