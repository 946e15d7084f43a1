#pragma once
// The position plot: a plan of where the telegrams put each index, with a
// trail of its latest fixes, fixes older than the position timeout faded,
// fixes their telegram marks as not good hollow, and a readout of the depth
// and age of the index the user picks. Draws the line's models it is given
// (the trails of the whole run, the timeout of the timing ages), so it
// shows what came before it was opened.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/ToolWindow.h"
#include "decoders/TelegramRecord.h"
#include "models/LineModels.h"

class CPlanView;
struct CPositionTrack;
class QComboBox;
class QLabel;
class QSpinBox;
struct CPlanAxes;

class CPositionPlotDlg : public CToolWindow {
    Q_OBJECT
public:
    explicit CPositionPlotDlg(std::shared_ptr<CLineModels> models, QWidget* parent = nullptr);

    // Takes the trails into the plan now (the timer does this
    // when they changed, or when a second has passed).
    void Refresh() override;

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

protected:
    void Tick() override;

private:
    void BuildControls();
    void OnFrameChosen(int item);
    void OnIndexChosen(int item);
    void OnTrackClicked(int track);
    void OnClear();
    void OnSavePicture();
    void UpdateFrameList(const std::vector<CPositionFrame>& frames);
    void UpdateIndexList();
    void UpdateReadout();
    const CPositionTrack* SelectedTrack() const;

    std::shared_ptr<CLineModels> models;

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
};
