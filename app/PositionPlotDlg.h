#pragma once
// The position plot: a plan of where the telegrams put each index, with a
// trail of its latest fixes, fixes older than the position timeout faded,
// and a readout of the depth and age of the index the user picks. Draws
// the document's trails, so it shows what came before it was opened.
#include <QDialog>
#include <QPointer>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/SaveFileDialog.h"
#include "decoders/TelegramRecord.h"

class CPlanView;
struct CPositionTrack;
class CVantrelDoc;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTimer;
struct CPlanAxes;

class CPositionPlotDlg : public QDialog {
    Q_OBJECT
public:
    // The plot is drawn again at most this often, however fast telegrams come.
    static constexpr int kRefreshMilliseconds = 100;
    // Fading and ages move on even on a silent line.
    static constexpr int kAgeRefreshMilliseconds = 1000;

    explicit CPositionPlotDlg(CVantrelDoc* document, QWidget* parent = nullptr);
    ~CPositionPlotDlg() override;

    // Takes the document's trails into the plan now (the timer does this
    // when they changed, or when a second has passed).
    void Refresh();

    // Where ages are measured from: the system clock unless told otherwise.
    using Clock = std::function<double()>;
    void SetClock(Clock newClock) { clock = std::move(newClock); }
    // Where "Save Picture..." saves; by default a "save as" file dialog.
    void SetPicturePathChooser(CSavePathChooser chooser) { choosePicturePath = std::move(chooser); }

    CPlanView* View() const { return view; }
    // The frame the plan shows; none before the first fix.
    std::optional<CPositionFrame> ShownFrame() const { return shownFrame; }
    // The index whose depth and age the readout shows, as "kind:text"; empty for none.
    QString SelectedIndex() const;
    QString ReadoutText() const;

    // How an index is labelled: "kind:text", "no index" without one. Bytes
    // from 0x80 up read as the characters U+0080 to U+00FF.
    static QString IndexLabel(int kind, const std::string& text);
    static QString FrameTitle(CPositionFrame frame);
    static CPlanAxes AxesOf(CPositionFrame frame);
    // The colour of the index that first gave a fix as number slot.
    static QColor TrackColour(std::size_t slot);

signals:
    // Emitted once, when the window is finally destroyed.
    void closed();

public slots:
    void done(int result) override;

private:
    void BuildControls();
    void OnTick();
    void OnFrameChosen(int item);
    void OnIndexChosen(int item);
    void OnTrackClicked(int track);
    void OnClear();
    void OnSavePicture();
    void UpdateFrameList(const std::vector<CPositionFrame>& frames);
    void UpdateIndexList();
    void UpdateReadout();
    const CPositionTrack* SelectedTrack() const;

    QPointer<CVantrelDoc> document;
    Clock clock;
    CSavePathChooser choosePicturePath;
    std::optional<CPositionFrame> chosenFrame;  // picked by the user; else the latest fix's
    std::optional<CPositionFrame> shownFrame;
    // The tracks the plan shows, as indexes into the document's tracks, and
    // the picked index (kind, text).
    std::vector<std::size_t> shownTracks;
    std::optional<std::pair<int, std::string>> selectedIndex;
    std::uint64_t shownRevision = ~std::uint64_t(0);
    double shownTimeout = 0.0;
    double lastRefresh = 0.0;

    CPlanView* view = nullptr;
    QComboBox* frameList = nullptr;
    QComboBox* indexList = nullptr;
    QSpinBox* trailLength = nullptr;
    QLabel* readout = nullptr;
    QPushButton* fitButton = nullptr;
    QPushButton* clearButton = nullptr;
    QPushButton* saveButton = nullptr;
    QPushButton* closeButton = nullptr;
    QTimer* refreshTimer = nullptr;
};
