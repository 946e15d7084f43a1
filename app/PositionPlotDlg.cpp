#include "app/PositionPlotDlg.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

#include "app/UserMessage.h"
#include "app/widgets/PlanView.h"

namespace {

// The plot is drawn again at most this often, however fast telegrams come.
constexpr int kRefreshMilliseconds = 100;
// Fading and ages move on even on a silent line.
constexpr double kAgeRefreshMilliseconds = 1000.0;

// Colours that stay apart from each other on the light plan.
constexpr std::array<QRgb, 12> kTrackColours = {
    qRgb(31, 119, 180), qRgb(214, 39, 40),  qRgb(44, 160, 44),   qRgb(148, 103, 189),
    qRgb(255, 127, 14), qRgb(23, 170, 190), qRgb(140, 86, 75),   qRgb(227, 119, 194),
    qRgb(110, 110, 110), qRgb(170, 170, 20), qRgb(0, 0, 140),    qRgb(128, 0, 0)};

QString Metres(double value, int decimals)
{
    return QString::number(value, 'f', decimals) + QStringLiteral(" m");
}

} // namespace

CPositionPlotDlg::CPositionPlotDlg(std::shared_ptr<CLineModels> lineModels, QWidget* parent)
    : CToolWindow(QStringLiteral("Position plot"), QStringLiteral("positionPlot"), kRefreshMilliseconds, parent)
    , models(std::move(lineModels))
{
    BuildControls();
    StartRefreshing();
}

void CPositionPlotDlg::BuildControls()
{
    frameList = new QComboBox(this);
    frameList->setObjectName(QStringLiteral("frameList"));
    frameList->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    frameList->setMinimumContentsLength(static_cast<int>(FrameTitle(CPositionFrame::Unspecified).size()));
    frameList->setToolTip(QStringLiteral("The frame shown when telegrams give positions in several"));
    indexList = new QComboBox(this);
    indexList->setObjectName(QStringLiteral("indexList"));
    indexList->setMinimumContentsLength(10);
    indexList->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    trailLength = new QSpinBox(this);
    trailLength->setObjectName(QStringLiteral("trailLength"));
    trailLength->setRange(1, static_cast<int>(CPositionTracks::kMaxTrailLength));
    trailLength->setToolTip(QStringLiteral("How many of the latest fixes of each index are drawn"));
    trailLength->setValue(static_cast<int>(models->Tracks().TrailLength()));

    auto* choices = new QHBoxLayout;
    for (const auto& [text, control] : {std::pair<const char*, QWidget*>{"&Frame", frameList},
                                        {"&Index", indexList}, {"&Trail", trailLength}}) {
        auto* label = new QLabel(QString::fromLatin1(text), this);
        label->setBuddy(control);
        choices->addWidget(label);
        choices->addWidget(control);
    }
    choices->addStretch();

    view = new CPlanView(this);
    view->setObjectName(QStringLiteral("planView"));
    view->SetEmptyText(QStringLiteral("Waiting for positions"));
    readout = new QLabel(this);
    readout->setObjectName(QStringLiteral("readout"));
    readout->setTextInteractionFlags(Qt::TextSelectableByMouse);

    QPushButton* fitButton = Button(QStringLiteral("Fi&t"), "fitButton");
    QPushButton* clearButton = Button(QStringLiteral("C&lear"), "clearButton");
    QPushButton* saveButton = Button(QStringLiteral("&Save Picture..."), "savePictureButton");

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addWidget(view, 1);
    layout->addWidget(readout);
    layout->addLayout(ButtonRow({fitButton, clearButton, saveButton}));
    resize(560, 560);

    connect(frameList, &QComboBox::activated, this, &CPositionPlotDlg::OnFrameChosen);
    connect(indexList, &QComboBox::activated, this, &CPositionPlotDlg::OnIndexChosen);
    connect(trailLength, &QSpinBox::valueChanged, this, [this](int length) {
        models->Tracks().SetTrailLength(static_cast<std::size_t>(length));
        Refresh();
    });
    connect(view, &CPlanView::trackClicked, this, &CPositionPlotDlg::OnTrackClicked);
    connect(fitButton, &QPushButton::clicked, view, &CPlanView::Fit);
    connect(clearButton, &QPushButton::clicked, this, &CPositionPlotDlg::OnClear);
    connect(saveButton, &QPushButton::clicked, this, &CPositionPlotDlg::OnSavePicture);
}

// ---------------------------------------------------------------- labels

QString CPositionPlotDlg::IndexLabel(int kind, const std::string& text)
{
    if (kind < 0)
        return QStringLiteral("no index");
    return QString::number(kind) + ':' + QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString CPositionPlotDlg::FrameTitle(CPositionFrame frame)
{
    switch (frame) {
    case CPositionFrame::Vessel: return QStringLiteral("Vessel: ship's head up");
    case CPositionFrame::North: return QStringLiteral("North: north up");
    case CPositionFrame::Grid: return QStringLiteral("Grid: easting, northing");
    case CPositionFrame::Unspecified: break;
    }
    return QStringLiteral("Unspecified: x, y");
}

CPlanAxes CPositionPlotDlg::AxesOf(CPositionFrame frame)
{
    switch (frame) {
    case CPositionFrame::Vessel:
        return {QStringLiteral("starboard"), QStringLiteral("forward"), true, CPlanAxes::Marker::Ship};
    case CPositionFrame::North:
        return {QStringLiteral("east"), QStringLiteral("north"), true, CPlanAxes::Marker::North};
    case CPositionFrame::Grid:
        return {QStringLiteral("easting"), QStringLiteral("northing"), false, CPlanAxes::Marker::None};
    case CPositionFrame::Unspecified: break;
    }
    return {QStringLiteral("x"), QStringLiteral("y"), false, CPlanAxes::Marker::None};
}

QColor CPositionPlotDlg::TrackColour(std::size_t slot)
{
    return QColor(kTrackColours[slot % kTrackColours.size()]);
}

// ---------------------------------------------------------------- refresh

void CPositionPlotDlg::Tick()
{
    const bool changed = models->Tracks().Revision() != shownRevision ||
                         models->Timing().PositionTimeout() != shownTimeout;
    if (changed || Now() - lastRefresh >= kAgeRefreshMilliseconds)
        Refresh();
}

void CPositionPlotDlg::Refresh()
{
    const CPositionTracks& model = models->Tracks();
    const CTimingAges& ages = models->Timing();
    const double now = Now();
    const std::vector<CPositionFrame> frames = model.Frames();
    const auto present = [&frames](const std::optional<CPositionFrame>& frame) {
        return frame && std::find(frames.begin(), frames.end(), *frame) != frames.end();
    };
    // The user's choice, else the frame already shown: a line that mixes
    // frames must not flip the view at every telegram. The latest fix's
    // frame only starts the plot (and starts it again after Clear).
    const std::optional<CPositionFrame> frame =
        present(chosenFrame) ? chosenFrame : present(shownFrame) ? shownFrame : model.LatestFrame();
    if (frame && frame != shownFrame) {
        view->SetAxes(AxesOf(*frame));
        view->Fit();  // another frame has other axes: the old view means nothing there
    }
    shownFrame = frame;
    UpdateFrameList(frames);

    QList<CPlanTrack> planTracks;
    shownTracks.clear();
    for (std::size_t i = 0; i < model.Tracks().size(); ++i) {
        const CPositionTrack& track = model.Tracks()[i];
        if (!shownFrame || track.frame != *shownFrame)
            continue;
        CPlanTrack plan{IndexLabel(track.kind, track.text), TrackColour(track.colourSlot), {}};
        plan.fixes.reserve(static_cast<qsizetype>(track.fixes.size()));
        for (const CTrackFix& fix : track.fixes)
            plan.fixes.append({QPointF(fix.x, fix.y), ages.IsOlderThanTimeout(fix.receiveTime, now), !fix.valid});
        planTracks.append(std::move(plan));
        shownTracks.push_back(i);
    }
    view->SetTracks(std::move(planTracks));
    UpdateIndexList();
    shownRevision = model.Revision();
    shownTimeout = ages.PositionTimeout();
    lastRefresh = now;
    UpdateReadout();
}

void CPositionPlotDlg::UpdateFrameList(const std::vector<CPositionFrame>& frames)
{
    const QSignalBlocker blocker(frameList);
    bool same = frameList->count() == static_cast<int>(frames.size());
    for (int i = 0; same && i < frameList->count(); ++i)
        same = frameList->itemData(i).toInt() == static_cast<int>(frames[i]);
    if (!same) {
        frameList->clear();
        for (const CPositionFrame frame : frames)
            frameList->addItem(FrameTitle(frame), static_cast<int>(frame));
    }
    // A choice only when there is one to make.
    frameList->setEnabled(frames.size() > 1);
    frameList->setCurrentIndex(shownFrame ? frameList->findData(static_cast<int>(*shownFrame)) : -1);
}

void CPositionPlotDlg::UpdateIndexList()
{
    const CPositionTracks& model = models->Tracks();
    QStringList labels{QStringLiteral("(none)")};
    int selectedItem = 0;
    for (std::size_t i = 0; i < shownTracks.size(); ++i) {
        const CPositionTrack& track = model.Tracks()[shownTracks[i]];
        labels << IndexLabel(track.kind, track.text);
        if (selectedIndex && selectedIndex->first == track.kind && selectedIndex->second == track.text)
            selectedItem = static_cast<int>(i) + 1;
    }
    const QSignalBlocker blocker(indexList);
    QStringList shown;
    for (int i = 0; i < indexList->count(); ++i)
        shown << indexList->itemText(i);
    if (shown != labels) {
        indexList->clear();
        indexList->addItems(labels);
    }
    indexList->setCurrentIndex(selectedItem);
    view->SetSelectedTrack(selectedItem - 1);
}

const CPositionTrack* CPositionPlotDlg::SelectedTrack() const
{
    const int track = view->SelectedTrack();
    if (track < 0 || track >= static_cast<int>(shownTracks.size()))
        return nullptr;
    return &models->Tracks().Tracks()[shownTracks[static_cast<std::size_t>(track)]];
}

QString CPositionPlotDlg::SelectedIndex() const
{
    return selectedIndex ? IndexLabel(selectedIndex->first, selectedIndex->second) : QString();
}

QString CPositionPlotDlg::ReadoutText() const
{
    return readout->text();
}

void CPositionPlotDlg::UpdateReadout()
{
    const CPositionTrack* track = SelectedTrack();
    if (!track || track->fixes.empty()) {
        readout->setText(selectedIndex ? SelectedIndex() + QStringLiteral(": no fix in this frame")
                                       : QStringLiteral("Click a fix or choose an index for its depth and age."));
        return;
    }
    const CTrackFix& fix = track->fixes.back();
    const double age = (Now() - fix.receiveTime) * 0.001;
    const CPlanAxes axes = AxesOf(track->frame);
    QString text = QStringLiteral("%1: depth %2, age %3 s (%4 %5, %6 %7)")
                       .arg(IndexLabel(track->kind, track->text), Metres(fix.z, 1), QString::number(age, 'f', 1),
                            axes.right, Metres(fix.x, 2), axes.up, Metres(fix.y, 2));
    if (models->Timing().IsOlderThanTimeout(fix.receiveTime, Now()))
        text += QStringLiteral(", older than the position timeout");
    readout->setText(text);
}

// ---------------------------------------------------------------- commands

void CPositionPlotDlg::OnFrameChosen(int item)
{
    chosenFrame = static_cast<CPositionFrame>(frameList->itemData(item).toInt());
    Refresh();
}

void CPositionPlotDlg::OnIndexChosen(int item)
{
    OnTrackClicked(item - 1);
}

void CPositionPlotDlg::OnTrackClicked(int track)
{
    selectedIndex.reset();
    if (track >= 0 && track < static_cast<int>(shownTracks.size())) {
        const CPositionTrack& picked = models->Tracks().Tracks()[shownTracks[static_cast<std::size_t>(track)]];
        selectedIndex = std::make_pair(picked.kind, picked.text);
    }
    UpdateIndexList();
    UpdateReadout();
}

void CPositionPlotDlg::OnClear()
{
    models->Tracks().Clear();
    chosenFrame.reset();
    selectedIndex.reset();
    view->Fit();
    Refresh();
}

void CPositionPlotDlg::OnSavePicture()
{
    const QString path = ChooseSavePath({QStringLiteral("Save Picture"), QStringLiteral("PNG Pictures (*.png)"),
                                         QStringLiteral("png"), QStringLiteral("vantrel-plot")});
    if (path.isEmpty())
        return;
    if (!view->grab().save(path, "PNG"))
        ShowUserMessage(this, QStringLiteral("The picture could not be saved as %1.").arg(path), QMessageBox::Warning,
                        QStringLiteral("pictureMessage"));
}
