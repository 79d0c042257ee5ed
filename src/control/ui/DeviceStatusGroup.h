#pragma once
// The General page's device status: power read and toggle, device kind,
// port counts and firmware version.

#include <QWidget>

class AppContext;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QToolButton;

class DeviceStatusGroup : public QWidget {
    Q_OBJECT
public:
    explicit DeviceStatusGroup(AppContext *ctx, QWidget *parent = nullptr);

    // Reads the power state into PowerOn and the glyph; false when the read failed.
    bool ReadPowerStatus();
    void bbPowerClick();
    void btnGetDevStatusClick();
    // First show: the "Not known" texts.
    void InitialiseTexts();

    QGroupBox *gbRefreshStatus;
    QPushButton *btnGetDevStatus;
    QLabel *lblDevice;
    QLabel *lblVersion;
    QGroupBox *gbPower;
    QToolButton *bbPower;
    QGroupBox *gbInOutConnection; // hidden
    // On the hidden group: the input source types and whether the
    // routing view's port-info pop-up is shown.
    QLabel *TypeLabel(int input) const; // lblTypeInputN
    QCheckBox *cbDisplayTag;

    enum class Glyph { On, Off, Unknown };
    Glyph CurrentGlyph() const { return FGlyph; }

private:
    void showGlyph(Glyph glyph);

    AppContext *ctx;
    Glyph FGlyph = Glyph::Unknown;
};
