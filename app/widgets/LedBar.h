#pragma once
// A bar of round LEDs that lights from the left in proportion to a position
// between a minimum and a maximum. The LEDs fall into three sections, green
// up to the first section end, yellow up to the second and red beyond; a
// position above the maximum lights every LED.
#include <QWidget>

class CiLedBarX : public QWidget {
    Q_OBJECT
    Q_PROPERTY(double minimum READ Minimum WRITE SetMinimum)
    Q_PROPERTY(double maximum READ Maximum WRITE SetMaximum)
    Q_PROPERTY(double sectionEnd1 READ SectionEnd1 WRITE SetSectionEnd1)
    Q_PROPERTY(double sectionEnd2 READ SectionEnd2 WRITE SetSectionEnd2)
    Q_PROPERTY(double position READ Position WRITE SetPosition)
public:
    // The numbers by which the timing window puts each property.
    enum DispatchId { kMinimum = 21, kMaximum = 20, kSectionEnd1 = 11, kSectionEnd2 = 12, kPosition = 19 };

    explicit CiLedBarX(QWidget* parent = nullptr);

    double Minimum() const { return minimum; }
    double Maximum() const { return maximum; }
    double SectionEnd1() const { return sectionEnd1; }
    double SectionEnd2() const { return sectionEnd2; }
    double Position() const { return position; }

    void SetMinimum(double value);
    void SetMaximum(double value);
    void SetSectionEnd1(double value);
    void SetSectionEnd2(double value);
    void SetPosition(double value);

    // Puts a property by its dispatch id; false for an id the bar lacks.
    bool SetProperty(int dispatchId, double value);

    // How many of the bar's LEDs the current position lights.
    int LitCount() const;
    int LedCount() const;
    // The colour of LED number led when lit (green, yellow or red).
    QColor LedColour(int led) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void SetValue(double& field, double value);

    double minimum = 0.0;
    double maximum = 100.0;
    double sectionEnd1 = 50.0;
    double sectionEnd2 = 75.0;
    double position = 0.0;
};
